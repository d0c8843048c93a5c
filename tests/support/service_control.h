#pragma once
// The reference service that the ctest fixture starts, reached over plain WinINet so that the
// tests do not depend on the client code they check.
#include <string>

#include "base/bytes.h"

// "http://127.0.0.1:PORT", or empty when no service was started for this test.
std::wstring ServiceUrl();

// "127.0.0.1:PORT" of the HTTP proxy the fixture started, or empty.
std::wstring ProxyAddress();

// "https://127.0.0.1:PORT" of the fixture's TLS server, whose self-signed certificate nobody
// trusts, or empty. It answers every request with a small body and logs those it got.
std::wstring UntrustedTlsUrl();
// The requests that reached that server past the handshake, "VERB /path" a line.
std::string UntrustedTlsRequests();

// One request to the service's control endpoints; returns the answer's body.
std::string ServiceControl(const std::wstring& verb, const std::wstring& path, const std::string& json = "");
// Adds a fault (a JSON object) and forgets earlier requests.
void ServiceFault(const std::string& json);
// Signs every client out, removes every fault, lets held requests go, forgets the request log.
void ServiceReset();
// Waits up to 30 s until the service holds a request (a hold_open fault); a slow machine
// may not have sent it yet after a fixed pause. False when none came.
bool WaitForHeldRequest();

// The test picture "fengguang/pattern.jpg": byte i is (i * 7 + i / 256) mod 256.
Bytes PatternBytes();
