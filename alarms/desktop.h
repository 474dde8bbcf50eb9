#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velk {

// Buttons of the four-answer question; the values are the dialog results.
enum class answer { none = 0, yes = 6, no = 7, notoall = 9, yestoall = 10 };

// Every effect the core has on the desktop. The Qt window implements it; tests use a fake.
class desktop {
  public:
    virtual ~desktop() = default;
    // Modal box with one OK button, captioned "[VELK]".
    virtual void showmessage(const std::string& text) = 0;
    // Modal Yes/No question captioned "[VELK]", no icon, no default button; true for Yes.
    virtual bool askyesno(const std::string& text) = 0;
    // Modal Yes / No / "No to All" / "Yes to All" in that order; answer::none when closed.
    virtual answer askfour(const std::string& text, answer defaultbutton) = 0;
    // Tray balloon (or a desktop notification where there is no tray); returns at once.
    virtual void balloon(const std::string& title, const std::string& text) = 0;
    virtual void sleepms(int ms) = 0;
    // The desktop's default notification sound.
    virtual void beep() = 0;
    // A sine tone; returns when it has played (or its duration has passed).
    virtual void tone(int frequency, int ms) = 0;
    // Opens file (document, folder, program, web or mailto: address); false on failure.
    virtual bool shellopen(const std::string& file, const std::string& params,
                           const std::string& dir) = 0;
    // Arms the one-shot timer that brings a just-opened script dialog to the front.
    virtual void armbringer() = 0;
    // Of the files of the attempts at one shell line (a path with blanks grown word by word), the
    // one that names something, told without starting anything: its index, files.size() for
    // none. Nothing where only opening can tell: then each attempt is opened until one opens.
    virtual std::optional<std::size_t> pickopen(const std::vector<std::string_view>&) {
        return std::nullopt;
    }
};

// No effect at all, every question answered No: the desktop of a program without a window.
class quietdesktop : public desktop {
  public:
    void showmessage(const std::string&) override {}
    bool askyesno(const std::string&) override { return false; }
    answer askfour(const std::string&, answer) override { return answer::no; }
    void balloon(const std::string&, const std::string&) override {}
    void sleepms(int) override {}
    void beep() override {}
    void tone(int, int) override {}
    bool shellopen(const std::string&, const std::string&, const std::string&) override {
        return false;
    }
    void armbringer() override {}
};

desktop& thedesktop();
// The caller keeps ownership; nullptr installs a quietdesktop.
void setdesktop(desktop* d);

} // namespace velk
