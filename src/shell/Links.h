#pragma once
// The web addresses the main window opens in the browser.

#include <QString>

namespace quirels::shell::links {

// The authority's page through which the declaration file is sent.
inline const QString kEnviarArquivo = QStringLiteral("https://www.estravim.gov.br/quirels/envio");
// The maker's site.
inline const QString kSiteOrz = QStringLiteral("https://www.orz.com.br/");
// The authority's control system.
inline const QString kSiteEstravim = QStringLiteral("https://www.estravim.gov.br/");

} // namespace quirels::shell::links
