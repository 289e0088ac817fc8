#pragma once
#include <QString>

class KVLinkUrl {
 public:
  // The address for a link key in the current language's table of the bundle's
  // settings file, else the "en" table's, else a null text.
  static QString GetUrl(const QString& key);
};
