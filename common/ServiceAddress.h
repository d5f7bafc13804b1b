#pragma once
// Where the platform's web service is. Release builds answer the hosts they were built with.
// A development build may be pointed at a stand-in service on another loopback port by the
// environment variable VORN_TEST_SERVICE_PORT, so that test suites side by side each talk
// to a stand-in of their own.
#include <string>

namespace vorn {

std::wstring ServiceHost();  // host or host:port of the web service
std::wstring LoginHost();    // host or host:port of the login page
std::wstring PartnerHome();  // full address of the sister product's home page

}  // namespace vorn
