#include "alarms/desktop.h"

namespace velk {

namespace {
// Used until a real desktop is installed: no effect, every question answered No.
class nulldesktop : public desktop {
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
nulldesktop nullone;
desktop* current = &nullone;
} // namespace

desktop& thedesktop() { return *current; }
void setdesktop(desktop* d) { current = d ? d : &nullone; }

} // namespace velk
