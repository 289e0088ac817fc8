#pragma once
// `./dev shots`: each tool registers a function that drives its real screen in
// a fresh demo world (ScreenDriver) and saves docs/screens/<tool>-<page>.png.
#include "ScreenDriver.h"

#include <QString>
#include <functional>

namespace shots {

using Maker = std::function<void(const QString& outDir)>;

struct Registrar {
  Registrar(const char* tool, Maker maker);
};

// Saves the driver's picture as <outDir>/<name>.png once nothing glides, and says
// so (and names each text that does not fit); false on failure.
bool save(const ScreenDriver& driver, const QString& outDir, const QString& name);

}  // namespace shots

#define QDC_SHOTS_CAT2(a, b) a##b
#define QDC_SHOTS_CAT(a, b) QDC_SHOTS_CAT2(a, b)
// QDC_SHOTS("copy") { ScreenDriver d; …; shots::save(d, outDir, "copy-choice"); }
#define QDC_SHOTS(tool)                                                                     \
  static void QDC_SHOTS_CAT(qdcShots_, __LINE__)(const QString& outDir);                    \
  static ::shots::Registrar QDC_SHOTS_CAT(qdcShotsReg_, __LINE__)(tool,                     \
                                                                  QDC_SHOTS_CAT(qdcShots_, __LINE__)); \
  static void QDC_SHOTS_CAT(qdcShots_, __LINE__)(const QString& outDir)
