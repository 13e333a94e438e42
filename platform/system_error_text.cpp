#include "platform/system_error_text.h"

#include <unordered_map>

namespace quillset::platform {

std::string SystemErrorText(uint32_t code) {
  static const std::unordered_map<uint32_t, const char*> texts = {
      {2, "The system cannot find the file specified."},
      {3, "The system cannot find the path specified."},
      {5, "Access is denied."},
      {6, "The handle is invalid."},
      {8, "Not enough memory resources are available to process this command."},
      {87, "The parameter is incorrect."},
      {110, "The system cannot open the device or file specified."},
      {112, "There is not enough space on the disk."},
      {1223, "The operation was canceled by the user."},
      {1601, "The Windows Installer Service could not be accessed. This can occur if the Windows Installer is not "
             "correctly installed. Contact your support personnel for assistance."},
      {1602, "User cancelled installation."},
      {1603, "Fatal error during installation."},
      {1604, "Installation suspended, incomplete."},
      {1605, "This action is only valid for products that are currently installed."},
      {1606, "Feature ID not registered."},
      {1607, "Component ID not registered."},
      {1608, "Unknown property."},
      {1609, "Handle is in an invalid state."},
      {1610, "The configuration data for this product is corrupt.  Contact your support personnel."},
      {1611, "Component qualifier not present."},
      {1612, "The installation source for this product is not available.  Verify that the source exists and that "
             "you can access it."},
      {1613, "This installation package cannot be installed by the Windows Installer service.  You must install a "
             "Windows service pack that contains a newer version of the Windows Installer service."},
      {1614, "Product is uninstalled."},
      {1615, "SQL query syntax invalid or unsupported."},
      {1616, "Record field does not exist."},
      {1617, "The device has been removed."},
      {1618, "Another installation is already in progress.  Complete that installation before proceeding with this "
             "install."},
      {1619, "This installation package could not be opened.  Verify that the package exists and that you can "
             "access it, or contact the application vendor to verify that this is a valid Windows Installer package."},
      {1620, "This installation package could not be opened.  Contact the application vendor to verify that this is "
             "a valid Windows Installer package."},
      {1621, "There was an error starting the Windows Installer service user interface.  Contact your support "
             "personnel."},
      {1622, "Error opening installation log file. Verify that the specified log file location exists and that you "
             "can write to it."},
      {1623, "The language of this installation package is not supported by your system."},
      {1624, "Error applying transforms.  Verify that the specified transform paths are valid."},
      {1625, "This installation is forbidden by system policy.  Contact your system administrator."},
      {1626, "Function could not be executed."},
      {1627, "Function failed during execution."},
      {1628, "Invalid or unknown table specified."},
      {1629, "Data supplied is of wrong type."},
      {1630, "Data of this type is not supported."},
      {1631, "The Windows Installer service failed to start.  Contact your support personnel."},
      {1632, "The Temp folder is on a drive that is full or is inaccessible. Free up space on the drive or verify "
             "that you have write permission on the Temp folder."},
      {1633, "This installation package is not supported by this processor type. Contact your product vendor."},
      {1634, "Component not used on this computer."},
      {1635, "This update package could not be opened.  Verify that the update package exists and that you can "
             "access it, or contact the application vendor to verify that this is a valid Windows Installer update "
             "package."},
      {1636, "This update package could not be opened.  Contact the application vendor to verify that this is a "
             "valid Windows Installer update package."},
      {1637, "This update package cannot be processed by the Windows Installer service.  You must install a Windows "
             "service pack that contains a newer version of the Windows Installer service."},
      {1638, "Another version of this product is already installed.  Installation of this version cannot continue.  "
             "To configure or remove the existing version of this product, use Add/Remove Programs on the Control "
             "Panel."},
      {1639, "Invalid command line argument.  Consult the Windows Installer SDK for detailed command line help."},
      {1641, "The requested operation completed successfully.  The system will be restarted so the changes can take "
             "effect."},
      {1642, "The upgrade cannot be installed by the Windows Installer service because the program to be upgraded "
             "may be missing, or the upgrade may update a different version of the program. Verify that the program "
             "to be upgraded exists on your computer and that you have the correct upgrade."},
      {1643, "The update package is not permitted by software restriction policy."},
      {1644, "One or more customizations are not permitted by software restriction policy."},
      {3010, "The requested operation is successful.  Changes will not be effective until the system is rebooted."},
  };
  auto found = texts.find(code);
  return found == texts.end() ? std::string() : found->second;
}

}  // namespace quillset::platform
