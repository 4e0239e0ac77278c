// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/web_config.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslSocket>
#include <crypt.h>
#include <memory>
#include <yaml.h>

namespace tarvo
{

namespace
{

// One loaded YAML document, freed however the reading ends.
struct Yaml {
    yaml_document_t document{};
    bool loaded = false;
    ~Yaml()
    {
        if (loaded)
            yaml_document_delete(&document);
    }
    yaml_node_t* Node(int index) { return yaml_document_get_node(&document, index); }
};

QString Scalar(const yaml_node_t* node)
{
    if (node == nullptr || node->type != YAML_SCALAR_NODE)
        return {};
    return QString::fromUtf8(reinterpret_cast<const char*>(node->data.scalar.value),
                             qsizetype(node->data.scalar.length));
}

// A mapping's pairs as (key, value node); an empty value (`key:`) is an
// empty mapping. False when the node is something else.
bool Pairs(Yaml& yaml, yaml_node_t* node, QList<QPair<QString, yaml_node_t*>>* pairs)
{
    if (node != nullptr && node->type == YAML_SCALAR_NODE && node->data.scalar.length == 0)
        return true;
    if (node == nullptr || node->type != YAML_MAPPING_NODE)
        return false;
    for (yaml_node_pair_t* p = node->data.mapping.pairs.start; p < node->data.mapping.pairs.top;
         ++p)
        pairs->append({Scalar(yaml.Node(p->key)), yaml.Node(p->value)});
    return true;
}

bool IsBcrypt(const QByteArray& hash)
{
    return (hash.startsWith("$2a$") || hash.startsWith("$2b$") || hash.startsWith("$2y$")) &&
           crypt_checksalt(hash.constData()) != CRYPT_SALT_INVALID;
}

} // namespace

std::optional<WebConfig> ReadWebConfig(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("Cannot read the web configuration %1: %2.")
                     .arg(path, file.errorString());
        return std::nullopt;
    }
    const QByteArray text = file.readAll();
    const auto fail = [&](const QString& problem) {
        *error = QStringLiteral("The web configuration %1: %2").arg(path, problem);
        return std::nullopt;
    };
    Yaml yaml;
    yaml_parser_t parser;
    yaml_parser_initialize(&parser);
    yaml_parser_set_input_string(&parser, reinterpret_cast<const unsigned char*>(text.constData()),
                                 size_t(text.size()));
    yaml.loaded = yaml_parser_load(&parser, &yaml.document) != 0;
    const QString yamlProblem = QStringLiteral("line %1: %2.")
                                    .arg(parser.problem_mark.line + 1)
                                    .arg(QString::fromUtf8(parser.problem ? parser.problem : ""));
    yaml_parser_delete(&parser);
    if (!yaml.loaded)
        return fail(yamlProblem);
    WebConfig config;
    QList<QPair<QString, yaml_node_t*>> top;
    yaml_node_t* root = yaml_document_get_root_node(&yaml.document);
    if (root != nullptr && !Pairs(yaml, root, &top))
        return fail(QStringLiteral("not a mapping of settings."));
    const QDir folder = QFileInfo(path).absoluteDir();
    for (const auto& [key, value] : top) {
        QList<QPair<QString, yaml_node_t*>> pairs;
        if (!Pairs(yaml, value, &pairs))
            return fail(QStringLiteral("%1 is not a mapping.").arg(key));
        if (key == u"tls_server_config") {
            for (const auto& [name, node] : pairs) {
                const QString text = Scalar(node);
                if (name == u"cert_file" || name == u"key_file") {
                    const QString file = text.isEmpty() ? QString() : folder.filePath(text);
                    (name == u"cert_file" ? config.certFile : config.keyFile) = file;
                } else if (name == u"min_version" && (text == u"TLS12" || text == u"TLS13")) {
                    config.minVersion =
                        text == u"TLS12" ? QSsl::TlsV1_2OrLater : QSsl::TlsV1_3OrLater;
                } else {
                    return fail(QStringLiteral("tls_server_config: %1: %2 is not supported "
                                               "(cert_file, key_file, min_version TLS12 or TLS13).")
                                    .arg(name, text));
                }
            }
            if (config.certFile.isEmpty() || config.keyFile.isEmpty())
                return fail(QStringLiteral("tls_server_config needs cert_file and key_file."));
        } else if (key == u"basic_auth_users") {
            for (const auto& [name, node] : pairs) {
                const QByteArray hash = Scalar(node).toUtf8();
                if (name.isEmpty() || name.contains(u':') || !IsBcrypt(hash))
                    return fail(QStringLiteral("basic_auth_users: '%1' needs a user name without "
                                               "':' and a bcrypt hash.")
                                    .arg(name));
                config.users.insert(name, hash);
            }
        } else {
            return fail(QStringLiteral("%1 is not supported (tls_server_config, "
                                       "basic_auth_users).")
                            .arg(key));
        }
    }
    return config;
}

std::optional<QSslConfiguration> ServerTls(const WebConfig& config, QString* error)
{
    if (!QSslSocket::supportsSsl()) {
        *error = QStringLiteral("TLS is not available here (Qt finds no TLS library).");
        return std::nullopt;
    }
    const QList<QSslCertificate> chain = QSslCertificate::fromPath(config.certFile);
    if (chain.isEmpty()) {
        *error = QStringLiteral("No PEM certificate in %1.").arg(config.certFile);
        return std::nullopt;
    }
    QFile file(config.keyFile);
    const QByteArray pem = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    QSslKey key;
    for (QSsl::KeyAlgorithm algorithm : {QSsl::Rsa, QSsl::Ec, QSsl::Dsa}) {
        if (key.isNull())
            key = QSslKey(pem, algorithm);
    }
    if (key.isNull()) {
        *error = QStringLiteral("No PEM private key (RSA, EC or DSA, unencrypted) in %1.")
                     .arg(config.keyFile);
        return std::nullopt;
    }
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setLocalCertificateChain(chain);
    tls.setPrivateKey(key);
    tls.setProtocol(config.minVersion);
    tls.setPeerVerifyMode(QSslSocket::VerifyNone);
    return tls;
}

QString ExposureWarning(const QString& where, bool loopback, bool auth, bool tls)
{
    if (loopback || (auth && tls))
        return {};
    if (!auth)
        return QStringLiteral("Warning: %1 is reachable from other computers, and anyone there "
                              "can read every clock's name, address and state; --web-config FILE "
                              "sets TLS and basic auth.")
            .arg(where);
    return QStringLiteral("Warning: %1 is reachable from other computers without TLS: passwords "
                          "and metrics cross the network readable (tls_server_config in "
                          "--web-config).")
        .arg(where);
}

bool PasswordMatches(QByteArrayView password, const QByteArray& hash)
{
    if (password.contains('\0'))
        return false;
    // crypt_data is large and must start zeroed.
    auto data = std::make_unique<crypt_data>();
    const char* out = crypt_r(password.toByteArray().constData(), hash.constData(), data.get());
    if (out == nullptr || out[0] == '*' || qstrlen(out) != size_t(hash.size()))
        return false;
    // Compared in full whatever differs, so the time tells nothing.
    int difference = 0;
    for (qsizetype i = 0; i < hash.size(); ++i)
        difference |= out[i] ^ hash[i];
    return difference == 0;
}

bool BasicAuth::Allows(QByteArrayView authorization)
{
    if (m_users.isEmpty())
        return true;
    if (authorization.size() < 6 ||
        authorization.first(6).compare(QByteArrayView("Basic "), Qt::CaseInsensitive) != 0)
        return false;
    const auto decoded = QByteArray::fromBase64Encoding(
        authorization.sliced(6).trimmed().toByteArray(), QByteArray::AbortOnBase64DecodingErrors);
    const qsizetype colon = decoded.decoded.indexOf(':');
    if (!decoded || colon < 0)
        return false;
    const QString user = QString::fromUtf8(decoded.decoded.first(colon));
    const QByteArray password = decoded.decoded.sliced(colon + 1);
    const auto found = m_users.constFind(user);
    if (found == m_users.constEnd()) {
        // As long as a known user's check, so the time does not tell who exists.
        PasswordMatches(password, m_users.cbegin().value());
        return false;
    }
    const QByteArray digest = QCryptographicHash::hash(decoded.decoded + '\0' + found.value(),
                                                       QCryptographicHash::Sha256);
    if (m_verified.contains(digest))
        return true;
    if (!PasswordMatches(password, found.value()))
        return false;
    if (m_verified.size() >= 64)
        m_verified.clear();
    m_verified.insert(digest);
    return true;
}

} // namespace tarvo
