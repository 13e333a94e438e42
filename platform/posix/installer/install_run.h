// The INSTALL action: the InstallExecuteSequence of a session carried out in sequence order,
// each action under its condition. Actions before InstallFinalize decide (directories,
// features and components) and write the execution script; InstallFinalize runs the script
// with progress, commits the product's record and discards the journal, or rolls everything
// back after a cancel (1602) or an error (1603).
#pragma once

#include "platform/installer.h"
#include "platform/posix/installer/messages.h"
#include "platform/posix/installer/registration.h"
#include "platform/posix/installer/session.h"

namespace quillset::platform::posix::installer {

// The session's properties are those of the package and the command line; the caller holds
// the installation lock. Answers the installer's result code.
UINT RunInstall(Session& session, Messenger& messenger, const Registrations& registrations);

}  // namespace quillset::platform::posix::installer
