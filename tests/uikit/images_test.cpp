// Named images: a picture's size is known before its drawing is parsed, and
// that size is the one the full parse gives.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTemporaryDir>

#include "platform/Bundle.h"
#include "uikit/Style.h"

namespace {

QSizeF rendererSize(const QString& path) {
  QSvgRenderer r(path);
  if (!r.isValid()) return QSizeF();
  const QRectF vb = r.viewBoxF();
  return vb.isEmpty() ? QSizeF(r.defaultSize()) : vb.size();
}

bool drawsSomething(const uikit::Image& image) {
  QImage canvas(64, 64, QImage::Format_ARGB32_Premultiplied);
  canvas.fill(Qt::transparent);
  QPainter p(&canvas);
  image.draw(p, QRectF(0, 0, 64, 64));
  p.end();
  for (int y = 0; y < canvas.height(); ++y)
    for (int x = 0; x < canvas.width(); ++x)
      if (qAlpha(canvas.pixel(x, y)) != 0) return true;
  return false;
}

class Images : public ::testing::Test {
 protected:
  void TearDown() override { platform::Bundle::setMainBundlePath(QDC_BUILD_APP_BUNDLE); }
};

}  // namespace

TEST_F(Images, EveryBundlePictureHasTheSizeItsDrawingGives) {
  platform::Bundle::setMainBundlePath(QDC_BUILD_APP_BUNDLE);
  const QString resources = platform::Bundle::mainBundle().resourcePath();
  const QStringList files = QDir(resources).entryList({"*.svg"}, QDir::Files);
  ASSERT_FALSE(files.isEmpty());
  for (const QString& file : files) {
    const QString name = file.chopped(4);
    const uikit::Image image = uikit::Image::named(name);
    ASSERT_FALSE(image.isNull()) << file.toStdString();
    EXPECT_EQ(image.size(), rendererSize(resources + "/" + file)) << file.toStdString();
  }
  EXPECT_TRUE(drawsSomething(uikit::Image::named(files.first().chopped(4))));
}

TEST_F(Images, OddlyDeclaredPictures) {
  QTemporaryDir bundle;
  const QString resources = bundle.path() + "/Contents/Resources";
  ASSERT_TRUE(QDir().mkpath(resources));
  const QByteArray shape = R"(<rect x="0" y="0" width="100%" height="100%" fill="#3366ff"/>)";
  struct Case {
    const char* name;
    QByteArray head;  // the <svg> element; empty: a file that is no picture
  };
  const Case cases[] = {
      {"boxAndSize", R"(<svg xmlns="http://www.w3.org/2000/svg" width="80" height="40" viewBox="0 0 40 20">)"},
      {"commas", R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0,0,24,12">)"},
      {"pixels", R"(<svg xmlns="http://www.w3.org/2000/svg" width="30px" height="10px">)"},
      {"millimetres", R"(<svg xmlns="http://www.w3.org/2000/svg" width="10mm" height="5mm">)"},
      {"prolog", "<?xml version=\"1.0\"?>\n<!-- drawn by hand -->\n"
                 R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 16 16">)"},
      {"notAPicture", ""},
  };
  for (const Case& c : cases) {
    QFile f(resources + "/" + c.name + ".svg");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(c.head.isEmpty() ? QByteArray("plain text, no drawing") : c.head + shape + "</svg>");
  }
  platform::Bundle::setMainBundlePath(bundle.path());
  for (const Case& c : cases) {
    const uikit::Image image = uikit::Image::named(c.name);
    if (c.head.isEmpty()) {
      EXPECT_TRUE(image.isNull()) << c.name;
      continue;
    }
    EXPECT_EQ(image.size(), rendererSize(resources + "/" + c.name + ".svg")) << c.name;
    EXPECT_TRUE(drawsSomething(image)) << c.name;
  }
  // The bundle's drawn pixmaps: one per size asked for.
  const platform::Bundle& b = platform::Bundle::mainBundle();
  EXPECT_EQ(b.imageNamed("commas", QSize(48, 24)).size(), QSize(48, 24));
  EXPECT_EQ(b.imageNamed("commas", QSize(12, 6)).size(), QSize(12, 6));
  EXPECT_EQ(b.imageNamed("commas").size(), QSize(24, 12));
}
