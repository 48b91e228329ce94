#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace velorix::panel {

struct CertificateOptions {
    // The first name becomes the subject CN; every name goes into subjectAltName, addresses as IP
    // entries and the rest as DNS entries.
    std::vector<std::string> hosts{"127.0.0.1", "localhost"};
    // Validity window relative to now. Two negative values make a certificate that has expired.
    std::chrono::seconds validFrom = -std::chrono::hours(1);
    std::chrono::seconds validUntil = std::chrono::hours(24 * 365);
};

struct CertificatePair {
    std::string certPem;
    std::string keyPem;
};

// A self-signed EC P-256 certificate marked as its own CA, so a client can trust it as a CA file.
// Throws std::runtime_error when OpenSSL fails.
CertificatePair makeSelfSignedCertificate(const CertificateOptions &options = {});

// Writes through a temporary file and a rename, so a reader never sees half a file.
// Throws std::runtime_error on failure.
void writeFileAtomically(const std::string &path, const std::string &content);

std::string readWholeFile(const std::string &path);

} // namespace velorix::panel
