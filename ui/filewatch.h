#pragma once
#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>
#include <string>

namespace velk {

class alarmsession;

// Notices when the alarm file changes on disk while the window runs (a hand edit, a sync tool).
// The folder is watched too: saves replace the file, and an editor may as well.
class filewatch : public QObject {
    Q_OBJECT
  public:
    filewatch(QObject* parent, alarmsession& session, const std::string& path);

    // How long the file must have been quiet before it is looked at: an editor writes in
    // pieces.
    static constexpr int settlems = 300;
    // A change found while a dialog or a due pass runs is taken when that is over.
    static constexpr int retryms = 1000;

  private:
    void check();
    void watchfile();

    alarmsession& session_;
    QString path_;
    QFileSystemWatcher watcher_;
    QTimer settle_;
};

} // namespace velk
