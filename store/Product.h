#pragma once
// Names and addresses of the product itself.
#include <QString>

namespace kelpo {

inline const QString ProductVersion = QStringLiteral("1.8.1");
inline const QString ProductCaption = QStringLiteral("Kelpo! V1.8.1 ");
inline const QString ProductTitle = QStringLiteral("Kelpo!");
// The product's web site and download host live under a reserved example
// domain: Kelpo talks to no server.
inline const QString ProductDomain = QStringLiteral("kelpo.example.org");
inline const QString ProductWebPage = QStringLiteral("http://kelpo.example.org/");
// Where users send exchange files they want to share.
inline const QString ProductContact = QStringLiteral("share@kelpo.example.org");
inline const QString DownloadHostDefault = QStringLiteral("download.kelpo.example.org");
// First line of a group exchange file (".kdf"); writer and reader share it.
inline const QString ExchangeHeader = QStringLiteral("Kelpo Data File. ") + ProductWebPage;

}  // namespace kelpo
