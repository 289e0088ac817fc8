#pragma once
// Application bundles on the host: <X>.app/Contents/{MacOS,Info.plist,Resources}.
// Bundle paths are host paths.
#include <QHash>
#include <QPixmap>
#include <QSize>
#include <QString>
#include <QVariant>
#include <memory>
#include <mutex>

namespace platform {

class Bundle {
 public:
  explicit Bundle(const QString& bundlePath);

  // The bundle of the running executable (two folders above it), unless a test
  // pointed it elsewhere with setMainBundlePath.
  static Bundle& mainBundle();
  static void setMainBundlePath(const QString& bundlePath);

  QString bundlePath() const { return path_; }
  QString executablePath() const;  // Contents/MacOS/<CFBundleExecutable>
  QString resourcePath() const;    // Contents/Resources
  QString bundleIdentifier() const;
  QVariantMap infoDictionary() const;
  // Resources/<name>.<type>, or "" when missing.
  QString pathForResource(const QString& name, const QString& type) const;

  // Text lookup in Resources/<lang>.lproj/<table>.strings. The language is the
  // one an override (setLocalizationFolder) names, else the development
  // language "en". A key the table lacks yields `value` if not empty, else the key.
  QString localizedStringForKey(const QString& key, const QString& value = QString(),
                                const QString& table = QString()) const;
  // Attach a <code>.lproj folder (host path) as the lookup source; "" detaches.
  void setLocalizationFolder(const QString& lprojHostPath);
  QString localizationFolder() const;

  // An image resource by name: Resources/<name>.svg, else .png ("" or missing: null).
  QPixmap imageNamed(const QString& name, const QSize& size = QSize()) const;
  QString imagePath(const QString& name) const;

 private:
  QVariantMap tableFor(const QString& folder, const QString& table) const;
  QString path_;
  mutable std::mutex mutex_;
  QString lproj_;
  mutable QHash<QString, QVariantMap> tables_;
  mutable QHash<QString, QString> imagePaths_;
  mutable QHash<QString, QPixmap> pixmaps_;  // GUI thread only
};

}  // namespace platform
