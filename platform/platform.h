// The engine's view of the system: every host call goes through one of these interfaces, so
// a test can replace any of them.
#pragma once

#include "platform/dialogs.h"
#include "platform/file_system.h"
#include "platform/http.h"
#include "platform/installer.h"
#include "platform/libraries.h"
#include "platform/processes.h"
#include "platform/registry.h"
#include "platform/system.h"

namespace quillset::platform {

struct Platform {
  FileSystem& files;
  System& system;
  Registry& registry;
  Dialogs& dialogs;
  Libraries& libraries;
  Http& http;
  Processes& processes;
  Installer& installer;
};

}  // namespace quillset::platform
