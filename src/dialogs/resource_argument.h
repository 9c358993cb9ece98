// A resource of a module as programs name it: LOADMENU and @LOADDIALOG.
#pragma once

#include "host/dialog_host.h"

namespace talven {

struct Runtime;

// A name, or a number when the argument is numeric and at least 1; the
// name holds the argument's text either way, for the messages.
ResourceName arg_resource_name(Runtime& rt, char separator);

} // namespace talven
