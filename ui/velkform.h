#pragma once
#include <QIcon>
#include <QImage>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "alarms/retyping.h"
#include "control/alarmsession.h"

class QAction;
class QFrame;
class QLabel;
class QLineEdit;
class QListView;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QSystemTrayIcon;

namespace velk {

class alarmdelegate;
class editornotes;
class alarmmodel;
class filefinder;
class filewatch;
class snoozeview;
class minutewake;
class specialsmenu;
class templmenu;

// The main window: the alarm book, the live editor above the list of alarms, the tray icon and
// the timers that run the alarms and save them.
class TVELKForm : public QWidget, public sessionhost {
    Q_OBJECT
  public:
    // datapath: the alarm file. cmdline: the command-line words after the program's name.
    TVELKForm(std::string datapath, std::string cmdline, QWidget* parent = nullptr);
    ~TVELKForm() override;

    // Start-up: shows the window unless "tray" was given, loads the alarms, empties the
    // editor and runs the first tick at once, so missed alarms are handled before the loop.
    void FormCreate();

    // True when the word "tray" stands alone on the command line.
    static bool wantstray(const std::string& cmdline);
    // The window's font: Tahoma 8 point where it exists, else the desktop's sans-serif.
    static QFont windowfont();

    // The editor.
    bool commitedits(bool show) override;
    // The editor into the alarm without refreshing the list: nothing (an empty editor, a full
    // book), unchanged (the alarm holds it already), or written.
    enum { nothing, unchanged, written };
    int writeedits(bool show);
    void clearfields();
    void showevent(int idx);

    // What the scheduler's tick uses.
    void setcaption(const std::string& caption) override;
    void setinterval(int ms) override;
    void editchanged() override;
    velk::event* curevent() override { return cur_; }
    void fillfields(velk::event& alarm) override;
    int selectedalarm() override;
    void refreshlist(int sel) override;
    void snoozeschanged() override;

    // What the session uses besides.
    bool modalopen() override;
    void forget() override;
    void later(std::function<void()> f) override;
    void warn(const std::string& text) override;
    void reload() override;
    void armsave() override;
    bool onlysavewarning() override;

    // A command from the command line (velk --add, --enable, ...), applied to the book as the
    // same edit in the window would be: the list re-sorted and the file saved soon after.
    control::reply runcommand(const std::vector<std::string>& args);

    // Writes the alarm file. A failure is shown with the path and the reason; at exit the user
    // may stay instead (then false: the window must not close).
    bool saveevents(bool atexit);
    // Loads the file again after it changed on disk, as at start; the editor keeps its alarm
    // where it is still there.
    void reloadfile();

    alarmsession& session() { return session_; }
    book& alarms() { return book_; }
    alarmfile& file() { return file_; }
    QSystemTrayIcon* trayicon() const { return trayicon_; }
    QTimer& tt() { return tt_; }
    QTimer& savesoon() { return savesoon_; }
    minutewake& wake() { return *wake_; }
    QMenu* traymenu() const { return traymenu_; }
    const QImage& imbell() const { return imbell_; }
    alarmdelegate* delegate() const { return delegate_; }
    // Whether the window closed (FormClose ran); the book is then empty.
    bool isclosed() const { return session_.closed(); }
    // The row selected in the list, or -1.
    int selectedrow() const;

    // The same buttons and the list are found by objectName too; these keep callers short.
    QLineEdit* cname() const { return cname_; }
    QLineEdit* ctime() const { return ctime_; }
    QPlainTextEdit* meaction() const { return meaction_; }
    QListView* lbevents() const { return lbevents_; }
    QPushButton* btempl() const { return btempl_; }
    QPushButton* testtime() const { return testtime_; }
    QPushButton* button1() const { return button1_; }
    QPushButton* bspecial() const { return bspecial_; }
    // The insertion aids behind "+ Templ", "+ #cmd" and "+ &File".
    templmenu* mtempl() const { return mtempl_; }
    specialsmenu* mspecials() const { return mspecials_; }
    filefinder& finder() { return *finder_; }
    // The notes beside the time field and the action box.
    editornotes& notes() { return *notes_; }

    // Whether hiding goes to the tray: only where the desktop shows one.
    static bool trayavailable();

  public slots:
    void ttTimer();
    void saveevsTimer();
    // Writes the book a moment after it changed, so a crash or power cut loses no edit and
    // no alarm runs twice after a restart.
    void savesoonTimer();
    void trayiconClick();
    void Restore1Click();
    void ExitVELK1Click();
    void lbeventsClick();
    void settonowClick();
    void bactiveClick();
    void dupleventClick();
    void neweventClick();
    void deleventClick();
    void testactionClick();
    void btemplClick();
    void bspecialClick();
    void Button1Click();
    void testtimeClick();
    // Escape: out of sight, into the tray, or onto the task bar where there is no tray.
    void minimizeapp();
    // Last chance when the session ends without closing the window: commit and save quietly.
    void emergencysave();
    // The session ends (a signal, a logout, "Exit VELK" confirmed): no new dialog opens, the
    // open ones close without an answer, and once no pass or dialog is running any more the
    // alarms are saved and the window closes (finish). While one still runs, finish is left to
    // whoever runs the message loop, after it has returned.
    void endsession();
    // The final commit, save and close; does nothing when the window already closed.
    void finish();
    // Checks that the tray is still there while the window hides in it.
    void traywatchTimer();

  signals:
    // The window has closed for good (after its final save); the program may end.
    void closed();
    // The session is ending: every event loop should end, the nested ones too.
    void ending();

  protected:
    void closeEvent(QCloseEvent* e) override;
    void changeEvent(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

  private:
    void buildpanel();
    void buildlist();
    void buildtray();
    void settaborder();
    void appeventsMinimize();
    void meactionExit();
    void ctimeChange();
    // Caret-keeping setters: an unchanged text is not set again.
    void settext(QLineEdit* edit, const std::string& text);
    void setlabel(QLabel* label, const QString& text);
    // The action box's lines as the document holds them.
    QStringList memoblocks() const;
    // Whether the action box shows these lines; a final line break typed counts as shown.
    bool memoshows(const std::vector<std::string>& action) const;
    // The action box as action lines; a line still as shown keeps the bytes of before.
    std::vector<std::string> memolines(const std::vector<std::string>& before) const;
    void selectrow(int r);
    int rowof(const velk::event* e) const;
    void clearfocus();
    bool refusefull();
    // The tray icon's tooltip names the alarm due next.
    void updatetraytip();
    void warnsave(const std::string& text);
    // Loads the file into the book, showing a damaged file's messages; false when it failed.
    bool loadbook();
    void centre();

    std::string datapath_;
    std::string cmdline_;
    // The executable's folder; the alarm file may live elsewhere.
    std::string exedir_;
    alarmsession session_;
    book& book_ = session_.alarms();
    alarmfile& file_ = session_.file();
    scheduler& sched_ = session_.sched();
    velk::event* cur_ = nullptr;
    bool editlive_ = true;
    retyping retype_;
    bool listsync_ = false;
    bool fullrefused_ = false;
    bool savewarning_ = false;
    bool exitasking_ = false;

    QImage imbell_, imbellinv_;
    QTimer tt_, saveevs_, savesoon_, traywatch_;
    minutewake* wake_ = nullptr;

    QWidget* panel_ = nullptr;
    QLineEdit* cname_ = nullptr;
    QLineEdit* ctime_ = nullptr;
    QPlainTextEdit* meaction_ = nullptr;
    QPushButton* btempl_ = nullptr;
    QPushButton* testtime_ = nullptr;
    QPushButton* button1_ = nullptr;
    QPushButton* bspecial_ = nullptr;
    QPushButton* testaction_ = nullptr;
    QPushButton* settonow_ = nullptr;
    QPushButton* bactive_ = nullptr;
    QPushButton* duplevent_ = nullptr;
    QPushButton* delevent_ = nullptr;
    QPushButton* newevent_ = nullptr;
    QLabel* lcreated_ = nullptr;
    QLabel* llast_ = nullptr;
    QLabel* lnext_ = nullptr;
    QIcon bellglyph_;
    QListView* lbevents_ = nullptr;
    alarmmodel* model_ = nullptr;
    alarmdelegate* delegate_ = nullptr;
    QSystemTrayIcon* trayicon_ = nullptr;
    QMenu* traymenu_ = nullptr;
    templmenu* mtempl_ = nullptr;
    specialsmenu* mspecials_ = nullptr;
    std::unique_ptr<filefinder> finder_;
    filewatch* watch_ = nullptr;
    snoozeview* snooze_ = nullptr;
    std::unique_ptr<editornotes> notes_;
};

} // namespace velk
