#pragma once
// Certificates made at test time with OpenSSL's API: a CA and a server certificate it signs
// for "localhost" and 127.0.0.1, written as PEM into a temporary folder.

#include <string>

namespace qarvo::test {

struct TestPki {
    std::string folder;      // removed by the destructor
    std::string caFile;      // the CA certificate (a trust file for SSL_CERT_FILE)
    std::string certFile;    // the server certificate
    std::string keyFile;     // its private key
    ~TestPki();
};

// A fresh CA and server certificate; `commonName` names the CA.
bool makeTestPki(const std::string& commonName, TestPki* out);

}  // namespace qarvo::test
