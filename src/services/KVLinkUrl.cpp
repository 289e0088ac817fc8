#include "services/KVLinkUrl.h"

#include "services/KVPublicUtilities.h"
#include "services/Settings.h"

QString KVLinkUrl::GetUrl(const QString& key) {
  const QVariantMap settings = bundleSettings();
  const QVariantMap language = settings.value(KVPublicUtilities::getLangSort()).toMap();
  const QString own = language.value(key).toString();
  if (!own.isEmpty()) return own;
  const QVariantMap fallback = settings.value("en").toMap();
  return fallback.contains(key) ? fallback.value(key).toString() : QString();
}
