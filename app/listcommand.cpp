#include "app/listcommand.h"

namespace velk {

int runlist(const std::vector<std::string>&, std::ostream&, std::ostream& err) {
    err << "velk: --list is not available yet\n";
    return 2;
}

} // namespace velk
