// Reads the add-in's registration back from the registry and lists what differs from the
// expected rows, so that a test program and the regsvr32 checker judge alike.
#pragma once

#include <string>
#include <vector>

namespace tessaly::testing {

// Every expected value present with its type and data, and the type library registered.
std::vector<std::string> RegistrationProblems(const std::wstring& dllPath);
// None of the add-in's keys left, and the type library no longer registered.
std::vector<std::string> LeftoverRegistration();

}  // namespace tessaly::testing
