#include "platform/MessagePump.h"

namespace Platform {

void dispatchPendingMessages() {}

}  // namespace Platform
