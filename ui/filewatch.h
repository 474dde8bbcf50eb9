#pragma once
#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>
#include <string>

namespace velk {

class TVELKForm;

// Notices when the alarm file changes on disk while the window runs (a hand edit, a sync tool).
// The folder is watched too: saves replace the file, and an editor may as well.
class filewatch : public QObject {
    Q_OBJECT
  public:
    filewatch(TVELKForm& form, const std::string& path);

    // How long the file must have been quiet before it is looked at: an editor writes in
    // pieces.
    static constexpr int settlems = 300;
    // A change found while a dialog or a due pass runs is taken when that is over.
    static constexpr int retryms = 1000;

    // Before a save: true when it may go ahead. When the file changed on disk and the window
    // has no change of its own, the file is taken instead (loaded again unless closing) and
    // nothing is written. When both changed, the file on disk is kept aside first and kept
    // names it. Throws velkerror when that fails.
    bool beforesave(bool closing, std::string& kept);
    // Before a command changes the book: a fresh change on disk is taken first when the window
    // has none of its own. "" when the command may go ahead, else why not.
    std::string beforecommand();

  private:
    void check();
    void watchfile();

    TVELKForm& form_;
    QString path_;
    QFileSystemWatcher watcher_;
    QTimer settle_;
};

} // namespace velk
