#pragma once
#include <QString>
#include <QStringList>
#include <functional>

class QPlainTextEdit;
class QWidget;

namespace velk {

// The "+ &File" aid: picks files and writes them into the action box, one path per line,
// so the script opens each through the desktop. The dialog opens in the folder of the file
// chosen first last time (the executable's folder at the first use) for the life of the process.
class filefinder {
  public:
    // Runs the dialog in initialdir; returns the chosen files, none when cancelled.
    using chooser = std::function<QStringList(QWidget* parent, const QString& initialdir)>;

    // exedir ends with a path separator; empty means the folder of this executable.
    explicit filefinder(QString exedir = {}, chooser choose = {});

    // Asks for files and returns them as action lines, "" when none was chosen.
    QString pick(QWidget* parent);

    const QString& initialdir() const { return dir; }

    // The open-file dialog (objectName "finder"): "File to open:", "Any file", several files.
    static QStringList rundialog(QWidget* parent, const QString& initialdir);

  private:
    QString exedir;
    QString dir;
    chooser choose;
};

// One file per line, a path holding a blank in double quotes, no line break after the last.
QString filelines(const QStringList& files);

// "+ &File": inserts the picked files in place of meaction's selection; meaction has the focus
// afterwards in every case.
void choosefiles(filefinder& finder, QWidget* parent, QPlainTextEdit* meaction);

} // namespace velk
