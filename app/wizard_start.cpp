#include "app/setup_app.h"

namespace lanternix {

// The wizard is not there yet: without "/silent" nothing is installed.
bool RunWizard() { return false; }

}  // namespace lanternix
