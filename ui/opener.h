#pragma once
#include <QUrl>

namespace velk {

// How long opening an address or a document waits for the opener's verdict, in milliseconds.
inline constexpr int openerwaitms = 2000;

// Hands an address, or a local document or folder, to the desktop's opener (never to a shell)
// and waits for its verdict. An opener still at work after waitms, or when the session ends, is
// taken to have opened it and goes on by itself, as does whatever it started. False when the
// opener reports that nothing could open it.
bool openwithdesktop(const QUrl& url, int waitms = openerwaitms);

} // namespace velk
