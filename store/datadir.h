// Where the settings file and the tally live: beside the executable, as the
// lobby expects, or in the user's data directory (driftwake under
// XDG_DATA_HOME, for the game and for driftwake-lobby alike) when the
// executable's directory cannot be written or is one of the system's (an
// installed program). The environment variable DRIFTWAKE_DATA_DIR, when
// set, names the directory instead.
#pragma once

#include <QString>

namespace dw {

// The directory for korvellobby.ini and the tally file; created if needed.
QString dataDirectory();

} // namespace dw
