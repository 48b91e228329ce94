#include "tools/panel/Certificate.h"

#include <arpa/inet.h>
#include <openssl/bn.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>

namespace velorix::panel {
namespace {

template <auto Fn> struct Deleter {
    template <class T> void operator()(T *p) const { Fn(p); }
};
using KeyPtr = std::unique_ptr<EVP_PKEY, Deleter<EVP_PKEY_free>>;
using X509Ptr = std::unique_ptr<X509, Deleter<X509_free>>;
using BioPtr = std::unique_ptr<BIO, Deleter<BIO_free_all>>;
using BnPtr = std::unique_ptr<BIGNUM, Deleter<BN_free>>;
using ExtPtr = std::unique_ptr<X509_EXTENSION, Deleter<X509_EXTENSION_free>>;

[[noreturn]] void fail(const std::string &what) {
    std::string message = "certificate: " + what;
    if (unsigned long code = ERR_get_error()) {
        char buf[256];
        ERR_error_string_n(code, buf, sizeof buf);
        message += ": ";
        message += buf;
    }
    ERR_clear_error();
    throw std::runtime_error(message);
}

bool isAddress(const std::string &host) {
    unsigned char buf[16];
    return inet_pton(AF_INET, host.c_str(), buf) == 1 || inet_pton(AF_INET6, host.c_str(), buf) == 1;
}

// X509_time_adj_ex takes days and seconds separately; keep the seconds part small.
void setTime(ASN1_TIME *t, std::chrono::seconds offset) {
    const long long total = offset.count();
    const long days = static_cast<long>(total / 86400);
    const long secs = static_cast<long>(total % 86400);
    if (!X509_time_adj_ex(t, days, secs, nullptr)) fail("cannot set validity");
}

void addExtension(X509 *cert, int nid, const std::string &value) {
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, cert, cert, nullptr, nullptr, 0);
    ExtPtr ext(X509V3_EXT_conf_nid(nullptr, &ctx, nid, value.c_str()));
    if (!ext || !X509_add_ext(cert, ext.get(), -1)) fail("cannot add extension " + value);
}

std::string bioText(BIO *bio) {
    char *data = nullptr;
    long len = BIO_get_mem_data(bio, &data);
    return std::string(data, static_cast<size_t>(len));
}

} // namespace

CertificatePair makeSelfSignedCertificate(const CertificateOptions &options) {
    if (options.hosts.empty()) throw std::runtime_error("certificate: no host name given");

    KeyPtr key(EVP_EC_gen("P-256"));
    if (!key) fail("cannot generate key");

    X509Ptr cert(X509_new());
    if (!cert || !X509_set_version(cert.get(), 2)) fail("cannot create certificate");

    // Random positive serial: clients cache by issuer+serial, so regenerated certificates must differ.
    unsigned char serialBytes[16];
    if (RAND_bytes(serialBytes, sizeof serialBytes) != 1) fail("no random serial");
    serialBytes[0] &= 0x7f;
    BnPtr serial(BN_bin2bn(serialBytes, sizeof serialBytes, nullptr));
    if (!serial || !BN_to_ASN1_INTEGER(serial.get(), X509_get_serialNumber(cert.get())))
        fail("cannot set serial");

    setTime(X509_getm_notBefore(cert.get()), options.validFrom);
    setTime(X509_getm_notAfter(cert.get()), options.validUntil);

    X509_NAME *name = X509_get_subject_name(cert.get());
    const auto *cn = reinterpret_cast<const unsigned char *>(options.hosts.front().c_str());
    if (!X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC,
                                    reinterpret_cast<const unsigned char *>("velorix-panel"), -1, -1, 0) ||
        !X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, cn, -1, -1, 0) ||
        !X509_set_issuer_name(cert.get(), name))
        fail("cannot set names");

    if (!X509_set_pubkey(cert.get(), key.get())) fail("cannot set public key");

    std::string san;
    for (const auto &host : options.hosts) {
        if (!san.empty()) san += ',';
        san += (isAddress(host) ? "IP:" : "DNS:") + host;
    }
    addExtension(cert.get(), NID_basic_constraints, "critical,CA:TRUE");
    addExtension(cert.get(), NID_key_usage, "critical,digitalSignature,keyCertSign");
    addExtension(cert.get(), NID_ext_key_usage, "serverAuth");
    addExtension(cert.get(), NID_subject_key_identifier, "hash");
    addExtension(cert.get(), NID_subject_alt_name, san);

    if (!X509_sign(cert.get(), key.get(), EVP_sha256())) fail("cannot sign");

    BioPtr certBio(BIO_new(BIO_s_mem()));
    BioPtr keyBio(BIO_new(BIO_s_mem()));
    if (!certBio || !keyBio || !PEM_write_bio_X509(certBio.get(), cert.get()) ||
        !PEM_write_bio_PrivateKey(keyBio.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr))
        fail("cannot write PEM");
    return {bioText(certBio.get()), bioText(keyBio.get())};
}

void writeFileAtomically(const std::string &path, const std::string &content) {
    const std::string tmp = path + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
        out.flush();
        if (!out) {
            std::remove(tmp.c_str());
            throw std::runtime_error("cannot write " + path);
        }
    }
    std::error_code ec;
    std::filesystem::rename(tmp, path, ec);
    if (ec) {
        std::remove(tmp.c_str());
        throw std::runtime_error("cannot write " + path + ": " + ec.message());
    }
}

std::string readWholeFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

} // namespace velorix::panel
