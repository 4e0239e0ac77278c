// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// --web-config FILE: the protection Prometheus' own exporters take from their
// --web.config.file, in the same YAML form, so one file serves both:
//
//   tls_server_config:
//     cert_file: exporter.crt     # PEM; relative to the file's folder
//     key_file: exporter.key
//     min_version: TLS12          # or TLS13
//   basic_auth_users:
//     prometheus: $2b$10$...      # bcrypt, as htpasswd -B or mkpasswd make it
//
// A key this program does not act on is refused rather than ignored, so a
// file written for more (client certificates, say) never serves less than
// it asks for.

#include <QByteArrayView>
#include <QHash>
#include <QSet>
#include <QSslConfiguration>
#include <QString>
#include <optional>

namespace tarvo
{

struct WebConfig {
    QString certFile; // empty: plain HTTP
    QString keyFile;
    QSsl::SslProtocol minVersion = QSsl::TlsV1_2OrLater;
    QHash<QString, QByteArray> users; // name -> bcrypt hash; empty: no basic auth
};

std::optional<WebConfig> ReadWebConfig(const QString& path, QString* error);
// The server's TLS side: the certificate chain and key of `config`.
std::optional<QSslConfiguration> ServerTls(const WebConfig& config, QString* error);

// What the exporter says when it serves beyond this computer (`loopback`
// false) without basic auth, or with it but without TLS; empty otherwise.
QString ExposureWarning(const QString& where, bool loopback, bool auth, bool tls);

// Whether `password` is the one `hash` was made from, by the system's crypt.
bool PasswordMatches(QByteArrayView password, const QByteArray& hash);

// The Authorization header of each request checked against the users. A
// bcrypt check takes tens of milliseconds by design, so a pair once found
// good is remembered (as a digest, never in clear) and Prometheus' scrapes
// cost one check, not one each.
class BasicAuth
{
public:
    explicit BasicAuth(QHash<QString, QByteArray> users) : m_users(std::move(users)) {}
    bool Enabled() const { return !m_users.isEmpty(); }
    bool Allows(QByteArrayView authorization);

private:
    QHash<QString, QByteArray> m_users;
    QSet<QByteArray> m_verified;
};

} // namespace tarvo
