#pragma once
#include <QColor>
#include <QIcon>
#include <QImage>

namespace velk::icons {

// 16 by 16 glyphs of the buttons, each with a drawn disabled look.
QIcon clock();
QIcon copy();
QIcon cross();
QIcon newalarm();
// The application's bell at every size of data/icons: windows, dialogs, task bar and tray.
QIcon appicon();
inline constexpr int appiconsizes[] = {16, 32, 48, 256};

// The 7 by 13 bell of the list rows: black on white.
QImage imbell();
// The bell of selected rows: white where src is black, highlight everywhere else.
void invertbell(const QImage& src, QImage& target, const QColor& highlight);

} // namespace velk::icons
