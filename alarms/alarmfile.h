#pragma once
#include <deque>
#include <optional>
#include <string>
#include <string_view>

#include "alarms/book.h"
#include "alarms/safefile.h"
#include "timespec/datetime.h"

namespace velk {

// A date-time as the alarm file writes it: at most 15 significant digits, "." as the decimal
// point whatever the locale, "-" for novalue. 2026-12-06 09:15:30 is "46362.3857638889".
std::string timetofile(datetime t);
// Reads a date-time line; "." and the locale's decimal separator are both accepted. Any other
// text gives def. Every number is taken, also one that is no date in years 1 to 9999.
datetime timefromfile(std::string_view s, datetime def);
datetime timefromfile(std::string_view s, datetime def, char decimalseparator);
// The decimal separator of the user's numeric locale, from the user's settings rather than the
// process's current C locale: the window's toolkit switches to the user's locale and the
// command line does not, and both must read every file alike. "." when the locale is missing
// or its separator is not one byte.
char localedecimalseparator();

// The text of a name, time or action line as shown to the user: the bytes themselves when they
// are UTF-8, else read as Latin-1 (a file from an 8-bit code page), in UTF-8. Only for showing:
// what is written back is always the alarm's own bytes.
std::string readabletext(std::string_view bytes);

// The block of one alarm: six header lines, the action lines and an empty line, each ended by
// CR LF.
std::string eventtext(const event& e);
// Lines of a text; CR LF, a lone CR and a lone LF each end a line.
std::deque<std::string> splitlines(std::string_view text);
// Appends the alarms of lines to b. Throws velkerror with the message of the first damage; b
// then holds the alarms read before it.
void readevents(std::deque<std::string>& lines, book& b,
                char decimalseparator = localedecimalseparator());

// Read-failure messages of the alarm file.
namespace filemessage {
inline constexpr std::string_view numberoflines = "Incorrect Alarm description (number of lines)!";
inline constexpr std::string_view creationtime = "Incorrect Alarm description (creation time!)";
inline constexpr std::string_view activity = "Incorrect Alarm description (activity)!";
inline constexpr std::string_view actionlines =
    "Incorrect Alarm description (number of Action lines)!";
inline constexpr std::string_view emptyline = "Incorrect Alarm description (expected empty line)!";
inline constexpr std::string_view toomany = "Incorrect Alarm description (more than 1000 Alarms)!";
// What load throws after any of the above.
std::string couldnotread(const std::string& path);
} // namespace filemessage

// The alarm file of one path. Loading is all or nothing; saving replaces the file in one step,
// and a file that failed to load is set aside before the first save instead of overwritten.
class alarmfile {
  public:
    explicit alarmfile(std::string path);

    // Empties b and fills it from the file; a missing file is an empty book. On damage b is
    // left empty and velkerror is thrown with filemessage::couldnotread; detail() tells what
    // was damaged, for the caller to show first.
    void load(book& b);
    // The detailed message of the last failed load ("" after a good one).
    const std::string& detail() const { return detail_; }
    // Writes b in storage order. Throws velkerror naming the path and the system's reason; the
    // old file is then untouched.
    void save(const book& b);
    // Writes b only when the file does not hold its text yet (as loaded or last saved), so that
    // saving soon after every change costs nothing when nothing changed. Returns true when it
    // wrote; throws like save.
    bool savechanged(const book& b);

    const std::string& path() const { return path_; }
    // The last load failed and the file has not been set aside yet.
    bool damaged() const { return damaged_; }
    // Where the damaged file was moved by the last save, or "".
    const std::string& setasidepath() const { return setaside_; }
    // Where the next save will move the damaged file: the first free name of path.damaged,
    // path.damaged.1, ...; "" when there is none.
    std::string nextasidepath() const;
    // The last load failed and the user has not dealt with it yet: the file is not set aside
    // yet, or it is and b is still the empty book of that load. Commands wait meanwhile.
    bool unresolved(const book& b) const;

    // The file on disk is not what this process last read from it or wrote to it: a hand
    // edit, another program, a sync tool. false while that is unknown (after a failed save).
    bool changedoutside() const;
    // b is not the book as last loaded or saved.
    bool changedinside(const book& b) const;
    // Keeps the file as it is on disk now under the first free name of path.external,
    // path.external.1, ..., so that the next save replaces nothing of it; returns that name,
    // "" when there is no file or a kept file holds the same already. Throws velkerror.
    std::string keepexternal();
    // Before the window takes a changed file that holds no alarms or is damaged (a truncated
    // file, a sync tool's half copy): keeps b, the book as last loaded or saved, as
    // path.external unless a kept file holds it already. Returns that name or "".
    std::string keepownbeforeload(const book& b);
    // Where the last save kept a file that someone else had put in the file's place since this
    // process last read or wrote it (found at the very moment of the replace), "" when it
    // found its own or nothing.
    const std::string& keptbysave() const { return keptbysave_; }

  private:
    [[noreturn]] void fail(book& b, const std::string& detail);
    void setaside();
    void write(std::string text);
    void keepdisplaced(const std::string& displaced, const std::string& written, bool replaced);
    std::string freename(const std::string& suffix) const;
    // A kept path.external... that holds text already, or "".
    std::string keptalready(const std::string& text) const;
    std::string keepcopy(const std::string& text);
    // The file as it is now, refused when it must not be used.
    datafile::readresult readnow(std::string& text, std::string& reason) const;

    std::string path_;
    bool damaged_ = false;
    bool failedload_ = false;
    std::string detail_;
    std::string setaside_;
    // What the file holds as far as this process knows; empty while unknown.
    std::optional<std::string> ondisk_;
    // How the file was when last read or written; unknown after a failed save.
    struct snapshot {
        datafile::readresult kind = datafile::readresult::missing;
        std::string text;
        bool operator==(const snapshot&) const = default;
    };
    std::optional<snapshot> seen_;
    // The book's text when it was last loaded or saved.
    std::string synced_;
    std::string keptbysave_;
    // What the replace of a save should find in the file's place: it was ours. Kept across a
    // failed save; unknown before the first load or save.
    std::optional<snapshot> expected_;
};

// What is told when a changed file was kept aside before a save of VELK's own.
std::string keptmessage(const std::string& path, const std::string& kept);
// What is told when the window's Alarms were kept before it took an empty or damaged file.
std::string keptownmessage(const std::string& path, const std::string& kept);

// How soon after a change of the book (an edit, a handled occurrence) it is saved, so that a
// crash or power cut loses no edit and no alarm runs twice after a restart.
inline constexpr int savesoonms = 2000;

} // namespace velk
