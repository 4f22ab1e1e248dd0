#pragma once

#include "platform/MessageService.h"

// Message boxes on the active window: the program's message service, made the
// default by the application object.
TMessageService &MessageBoxService();
