#pragma once
#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <memory>

namespace velk {

// One running VELK per alarm file: two writers would overwrite each other's saves. The first
// instance holds a lock named after the file and listens on a local socket; a later one asks
// it to show its window and ends.
class singleinstance : public QObject {
    Q_OBJECT
  public:
    explicit singleinstance(const QString& datapath, QObject* parent = nullptr);
    ~singleinstance() override;

    // True when this process is now the one instance for the file. False when another one
    // runs (asked to show its window when showrunning, else left as it is) or the lock cannot
    // be taken.
    bool claim(bool showrunning = true);

    // The socket name used for the file: "velk-" and a hash of its absolute path.
    static QString keyfor(const QString& datapath);

  signals:
    // A later start asked this instance to show its window.
    void showrequested();

  private:
    void onconnection();
    bool tellrunning(bool show);

    QString key_;
    std::unique_ptr<QLockFile> lock_;
    QLocalServer server_;
};

} // namespace velk
