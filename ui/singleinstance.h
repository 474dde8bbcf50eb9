#pragma once
#include <QLocalSocket>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "control/dispatch.h"
#include "control/instance.h"
#include "control/message.h"

namespace velk {

// One running VELK per alarm file: two writers would overwrite each other's saves. The first
// instance holds the instance lock of the file (the one the command line takes too) and listens
// on the file's channel; a later one asks it to show its window and ends. Commands from the
// command line arrive on the same channel.
class singleinstance : public QObject {
    Q_OBJECT
  public:
    // Carries out one command for the window and gives its result.
    using handler = std::function<control::reply(const std::vector<std::string>& args)>;

    explicit singleinstance(const QString& datapath, QObject* parent = nullptr);
    ~singleinstance() override;

    // True when this process is now the one instance for the file. False when another one
    // runs (asked to show itself when showrunning, else left as it is). A command holding the
    // lock for its moment is waited for, up to waitms. Throws velkerror when the private folder
    // is unsafe, and when the lock stays taken by an instance that does not answer.
    bool claim(bool showrunning = true, int waitms = control::answerms);
    // Stops answering: the window has closed. Commands then wait for the lock, which this
    // process holds until it ends, and change the file themselves.
    void stoplistening();
    // Who answers commands; until it is set they are refused.
    void sethandler(handler h) { handler_ = std::move(h); }
    // The socket path (Linux) or pipe name (Windows) this instance listens on.
    QString channel() const { return QString::fromStdString(channel_); }

  signals:
    // A later start asked this instance to show its window.
    void showrequested();

  private:
    // Listens on the channel; false when it cannot. Per OS, with the listener it keeps.
    bool listen();
    // Reads the one request of a connection and answers it.
    void serve(QLocalSocket* socket);
    control::reply answer(const control::request& req);

    struct listener;
    std::string datapath_, channel_;
    std::unique_ptr<control::instancelock> lock_;
    std::unique_ptr<listener> listener_;
    handler handler_;
};

} // namespace velk
