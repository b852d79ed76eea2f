#include "tools/nicosim/tls.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <atomic>
#include <chrono>

namespace nicosim::tls {
namespace {

// The test certificates live for a day around the start; nicosim makes new ones each run.
constexpr long kValiditySeconds = 24 * 3600;

template <class T, void (*Free)(T*)>
struct Deleter {
    void operator()(T* p) const { Free(p); }
};
using KeyPtr = std::unique_ptr<EVP_PKEY, Deleter<EVP_PKEY, EVP_PKEY_free>>;
using CertPtr = std::unique_ptr<X509, Deleter<X509, X509_free>>;
using BioPtr = std::unique_ptr<BIO, Deleter<BIO, BIO_free_all>>;

std::string lastError(const char* what)
{
    char text[256] = {};
    ERR_error_string_n(ERR_get_error(), text, sizeof text);
    ERR_clear_error();
    return std::string(what) + ": " + text;
}

bool addExtension(X509* issuer, X509* subject, int nid, const std::string& value)
{
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, issuer, subject, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value.c_str());
    if (!extension)
        return false;
    const bool added = X509_add_ext(subject, extension, -1) == 1;
    X509_EXTENSION_free(extension);
    return added;
}

// Serial numbers only need to differ between the runs a client might see together.
long nextSerial()
{
    static std::atomic<long> counter{0};
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return static_cast<long>(std::chrono::duration_cast<std::chrono::seconds>(now).count() % 1000000) * 1000 +
           (++counter % 1000);
}

CertPtr newCertificate(EVP_PKEY* key, const char* commonName)
{
    CertPtr cert(X509_new());
    if (!cert || X509_set_version(cert.get(), 2) != 1 ||
        ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), nextSerial()) != 1 ||
        !X509_gmtime_adj(X509_getm_notBefore(cert.get()), -kValiditySeconds) ||
        !X509_gmtime_adj(X509_getm_notAfter(cert.get()), kValiditySeconds) || X509_set_pubkey(cert.get(), key) != 1)
        return nullptr;
    X509_NAME* name = X509_get_subject_name(cert.get());
    if (X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("nicosim"), -1, -1,
                                   0) != 1 ||
        X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>(commonName), -1,
                                   -1, 0) != 1)
        return nullptr;
    return cert;
}

bool toPem(X509* cert, std::string& out)
{
    BioPtr bio(BIO_new(BIO_s_mem()));
    if (!bio || PEM_write_bio_X509(bio.get(), cert) != 1)
        return false;
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio.get(), &data);
    out.assign(data, static_cast<size_t>(size));
    return true;
}

bool toPem(EVP_PKEY* key, std::string& out)
{
    BioPtr bio(BIO_new(BIO_s_mem()));
    if (!bio || PEM_write_bio_PrivateKey(bio.get(), key, nullptr, nullptr, 0, nullptr, nullptr) != 1)
        return false;
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio.get(), &data);
    out.assign(data, static_cast<size_t>(size));
    return true;
}

Io ioState(SSL* ssl, int result)
{
    switch (SSL_get_error(ssl, result)) {
    case SSL_ERROR_WANT_READ:
        return Io::WantRead;
    case SSL_ERROR_WANT_WRITE:
        return Io::WantWrite;
    case SSL_ERROR_ZERO_RETURN:
        return Io::Closed;
    case SSL_ERROR_SYSCALL:
        // A peer that closes without close_notify has simply closed.
        ERR_clear_error();
        return Io::Closed;
    default:
        ERR_clear_error();
        return Io::Failed;
    }
}

} // namespace

bool makeAuthority(const std::vector<std::string>& hosts, Authority& out, std::string& error)
{
    // Elliptic-curve keys: made in a millisecond, unlike RSA ones.
    KeyPtr caKey(EVP_EC_gen("P-256"));
    KeyPtr serverKey(EVP_EC_gen("P-256"));
    if (!caKey || !serverKey) {
        error = lastError("key generation");
        return false;
    }

    CertPtr ca = newCertificate(caKey.get(), "nicosim test authority");
    if (!ca || X509_set_issuer_name(ca.get(), X509_get_subject_name(ca.get())) != 1 ||
        !addExtension(ca.get(), ca.get(), NID_basic_constraints, "critical,CA:TRUE") ||
        !addExtension(ca.get(), ca.get(), NID_key_usage, "critical,keyCertSign,cRLSign") ||
        !addExtension(ca.get(), ca.get(), NID_subject_key_identifier, "hash") ||
        X509_sign(ca.get(), caKey.get(), EVP_sha256()) <= 0) {
        error = lastError("the test authority's certificate");
        return false;
    }

    std::string names;
    for (const std::string& host : hosts)
        names += (names.empty() ? "DNS:" : ",DNS:") + host;
    names += (names.empty() ? "" : ",") + std::string("IP:127.0.0.1");
    CertPtr server = newCertificate(serverKey.get(), hosts.empty() ? "127.0.0.1" : hosts.front().c_str());
    if (!server || X509_set_issuer_name(server.get(), X509_get_subject_name(ca.get())) != 1 ||
        !addExtension(ca.get(), server.get(), NID_basic_constraints, "critical,CA:FALSE") ||
        !addExtension(ca.get(), server.get(), NID_key_usage, "critical,digitalSignature") ||
        !addExtension(ca.get(), server.get(), NID_ext_key_usage, "serverAuth") ||
        !addExtension(ca.get(), server.get(), NID_subject_key_identifier, "hash") ||
        !addExtension(ca.get(), server.get(), NID_authority_key_identifier, "keyid:always") ||
        !addExtension(ca.get(), server.get(), NID_subject_alt_name, names) ||
        X509_sign(server.get(), caKey.get(), EVP_sha256()) <= 0) {
        error = lastError("the server certificate");
        return false;
    }

    Authority made;
    if (!toPem(ca.get(), made.caCertificate) || !toPem(server.get(), made.serverCertificate) ||
        !toPem(serverKey.get(), made.serverKey)) {
        error = lastError("writing the certificates");
        return false;
    }
    out = std::move(made);
    return true;
}

struct ServerContext::Impl {
    SSL_CTX* context = nullptr;
    ~Impl() { SSL_CTX_free(context); }
};

ServerContext::ServerContext() : m_impl(std::make_unique<Impl>()) {}
ServerContext::~ServerContext() = default;

bool ServerContext::load(const Authority& authority, std::string& error)
{
    SSL_CTX* context = SSL_CTX_new(TLS_server_method());
    if (!context) {
        error = lastError("SSL_CTX_new");
        return false;
    }
    BioPtr certBio(BIO_new_mem_buf(authority.serverCertificate.data(), static_cast<int>(authority.serverCertificate.size())));
    BioPtr keyBio(BIO_new_mem_buf(authority.serverKey.data(), static_cast<int>(authority.serverKey.size())));
    CertPtr cert(certBio ? PEM_read_bio_X509(certBio.get(), nullptr, nullptr, nullptr) : nullptr);
    KeyPtr key(keyBio ? PEM_read_bio_PrivateKey(keyBio.get(), nullptr, nullptr, nullptr) : nullptr);
    if (!cert || !key || SSL_CTX_use_certificate(context, cert.get()) != 1 ||
        SSL_CTX_use_PrivateKey(context, key.get()) != 1 || SSL_CTX_check_private_key(context) != 1) {
        error = lastError("loading the server certificate");
        SSL_CTX_free(context);
        return false;
    }
    // Writes may be retried from another position of the same buffer after WANT_WRITE.
    SSL_CTX_set_mode(context, SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER | SSL_MODE_ENABLE_PARTIAL_WRITE);
    SSL_CTX_free(m_impl->context);
    m_impl->context = context;
    return true;
}

bool ServerContext::loaded() const
{
    return m_impl->context != nullptr;
}

struct ServerSession::Impl {
    SSL* ssl = nullptr;
    bool shutDown = false;
    ~Impl() { SSL_free(ssl); }
};

ServerSession::ServerSession(const ServerContext& context, int socket) : m_impl(std::make_unique<Impl>())
{
    if (!context.m_impl->context)
        return;
    m_impl->ssl = SSL_new(context.m_impl->context);
    if (m_impl->ssl && SSL_set_fd(m_impl->ssl, socket) != 1) {
        SSL_free(m_impl->ssl);
        m_impl->ssl = nullptr;
    }
    if (m_impl->ssl)
        SSL_set_accept_state(m_impl->ssl);
}

ServerSession::~ServerSession() = default;

bool ServerSession::valid() const
{
    return m_impl->ssl != nullptr;
}

Io ServerSession::handshake()
{
    if (!m_impl->ssl)
        return Io::Failed;
    ERR_clear_error();
    const int result = SSL_do_handshake(m_impl->ssl);
    return result == 1 ? Io::Done : ioState(m_impl->ssl, result);
}

Io ServerSession::read(char* buffer, size_t capacity, size_t& done)
{
    done = 0;
    if (!m_impl->ssl)
        return Io::Failed;
    ERR_clear_error();
    const int result = SSL_read_ex(m_impl->ssl, buffer, capacity, &done) == 1 ? 1 : 0;
    return result == 1 ? Io::Done : ioState(m_impl->ssl, result);
}

Io ServerSession::write(const char* data, size_t size, size_t& done)
{
    done = 0;
    if (!m_impl->ssl)
        return Io::Failed;
    ERR_clear_error();
    const int result = SSL_write_ex(m_impl->ssl, data, size, &done) == 1 ? 1 : 0;
    return result == 1 ? Io::Done : ioState(m_impl->ssl, result);
}

bool ServerSession::hasPending() const
{
    return m_impl->ssl && SSL_pending(m_impl->ssl) > 0;
}

void ServerSession::shutdown()
{
    if (!m_impl->ssl || m_impl->shutDown)
        return;
    m_impl->shutDown = true;
    ERR_clear_error();
    SSL_shutdown(m_impl->ssl);
    ERR_clear_error();
}

} // namespace nicosim::tls
