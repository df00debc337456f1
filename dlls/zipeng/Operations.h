// The two things the engine does. Both return the number of files processed and report
// through the Reporter; on any failure or a stop request the archive stays as it was.
#pragma once

#include "dlls/zipeng/Reporter.h"
#include "dlls/zipeng/Request.h"

namespace zipeng {

int RunAdd(const Request& request, Reporter& reporter);
int RunDelete(const Request& request, Reporter& reporter);

} // namespace zipeng
