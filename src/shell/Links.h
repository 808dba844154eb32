#pragma once
// The web addresses the main window opens in the browser. Each can be changed
// in the settings file (section "Endereços", the key of the link); the
// address below is used when the key is absent or empty.

#include <QString>

namespace quirels::shell::links {

inline const QString kSection = QStringLiteral("Endereços");

struct Link {
    QString key;
    QString address;
};

// The authority's page through which the declaration file is sent.
inline const Link kEnviarArquivo{QStringLiteral("Enviar Arquivo"),
                                 QStringLiteral("https://www.estravim.gov.br/quirels/envio")};
// The maker's site.
inline const Link kSiteOrz{QStringLiteral("Site ORZ"), QStringLiteral("https://www.orz.com.br/")};
// The authority's control system.
inline const Link kSiteEstravim{QStringLiteral("Site ESTRAVIM"), QStringLiteral("https://www.estravim.gov.br/")};

} // namespace quirels::shell::links
