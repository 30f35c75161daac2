// The add-in's registration rows as WiX RegistryValue elements, so that the installer
// package writes what the DLL's own registration writes and the two cannot drift apart.
#pragma once

#include <string>
#include <vector>

#include "addin/registration.h"

namespace tessaly::msi {

// Text for an MSI Formatted field that shows `text` literally: '[' and ']' would otherwise
// start a property reference.
std::string FormattedLiteral(const std::u16string& text);

// A WiX include (<Include>...</Include>) with the package's two components, one HKCU
// RegistryValue per row. "Classes" sits in INSTALLDIR with the DLL and the COM rows (those
// under Software\Classes), keyed by the row naming the DLL; "OutlookEntry" sits in
// WrenfieldFolder with the other rows, keyed by the first of them. Each removes its folder
// on uninstall. Values equal to `dllPath` or `helpDir` become the installed file's path and
// folder ([INSTALLDIR]). Throws std::invalid_argument when a component would lack its key.
std::string WixInclude(const std::vector<registration::Row>& rows, const std::u16string& dllPath,
                       const std::u16string& helpDir, registration::Bitness bitness);

}  // namespace tessaly::msi
