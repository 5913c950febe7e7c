// The detail form reader is not written yet: the walk ends at this form.
#include "hod/modFarholdhod.h"

namespace sq {

PendingHeader ReadDTRM(WalkContext&, Model&) { return KindOnly(std::string(4, '\0')); }

}  // namespace sq
