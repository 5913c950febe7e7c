// Draws the program's icon: a night-blue sky sphere with its grid of latitude and
// longitude lines, a few stars, and a golden quill across it. Written as PNG at
// every size given (the desktop's icon theme wants several). The picture is ours
// and the same on every run.
// Usage: make_icon FOLDER [SIZE...]   (writes FOLDER/starquill-SIZE.png; default 256)
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/tool_args.h"

namespace {

QImage DrawIcon(int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 256.0, size / 256.0);

  // The sphere, lit from the upper left.
  const QRectF sphere(16, 16, 224, 224);
  QRadialGradient sky(QPointF(96, 88), 170);
  sky.setColorAt(0.0, QColor(52, 78, 150));
  sky.setColorAt(0.6, QColor(20, 30, 78));
  sky.setColorAt(1.0, QColor(8, 10, 32));
  p.setPen(QPen(QColor(150, 175, 235), 4));
  p.setBrush(sky);
  p.drawEllipse(sphere);

  // Its grid: three latitude rings and three meridians, as seen from a little above.
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(120, 150, 220, 150), 2));
  for (double latitude : {-45.0, 0.0, 45.0}) {
    const double r = 112 * std::cos(latitude * 3.14159265358979 / 180);
    const double y = 128 - 112 * std::sin(latitude * 3.14159265358979 / 180);
    p.drawEllipse(QPointF(128, y), r, r * 0.28);
  }
  for (double width : {112.0, 70.0, 24.0}) p.drawEllipse(QPointF(128, 128), width, 112);

  // Stars: a few bright points with a soft halo.
  const struct {
    double x, y, r;
  } stars[] = {{70, 70, 5}, {176, 60, 3.5}, {190, 150, 4.5}, {60, 160, 3}, {120, 196, 3.5}, {150, 100, 2.5}};
  for (const auto& s : stars) {
    QRadialGradient halo(QPointF(s.x, s.y), s.r * 3);
    halo.setColorAt(0.0, QColor(255, 255, 255, 255));
    halo.setColorAt(0.3, QColor(220, 230, 255, 200));
    halo.setColorAt(1.0, QColor(220, 230, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(halo);
    p.drawEllipse(QPointF(s.x, s.y), s.r * 3, s.r * 3);
  }

  // The quill: a curved golden vane from the lower left to the upper right, and its nib.
  QPainterPath vane;
  vane.moveTo(54, 214);
  vane.cubicTo(90, 150, 150, 70, 226, 30);
  vane.cubicTo(200, 90, 150, 160, 70, 212);
  vane.closeSubpath();
  QLinearGradient gold(QPointF(60, 210), QPointF(220, 40));
  gold.setColorAt(0.0, QColor(180, 120, 30));
  gold.setColorAt(1.0, QColor(255, 220, 120));
  p.setPen(QPen(QColor(110, 70, 15), 2));
  p.setBrush(gold);
  p.drawPath(vane);
  // The shaft down the middle of the vane, and a few barbs off it.
  QPainterPath shaft;
  shaft.moveTo(62, 212);
  shaft.cubicTo(100, 160, 150, 100, 226, 30);
  p.setPen(QPen(QColor(120, 78, 20), 2.5));
  p.setBrush(Qt::NoBrush);
  p.drawPath(shaft);
  p.setPen(QPen(QColor(150, 100, 30, 180), 1.5));
  for (double t = 0.25; t < 0.9; t += 0.12) {
    const QPointF at = shaft.pointAtPercent(t);
    p.drawLine(at, at + QPointF(14, 6));
    p.drawLine(at, at + QPointF(-6, -14));
  }
  p.setPen(QPen(QColor(110, 70, 15), 3, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(62, 212), QPointF(36, 240));
  p.end();
  return image;
}

}  // namespace

int main(int argc, char** argv) {
  const auto args = sqtools::ToolArguments(argc, argv,
                                           "Usage: make_icon FOLDER [SIZE...]\n"
                                           "Draws the program's icon as FOLDER/starquill-SIZE.png for each SIZE\n"
                                           "(16..1024 pixels, default 256).\n",
                                           1, 16);
  const std::filesystem::path folder = args[0];
  std::vector<long> sizes;
  for (std::size_t i = 1; i < args.size(); ++i) {
    long size = 0;
    if (!sqtools::ParseWhole(args[i], 16, 1024, size)) {
      std::fprintf(stderr, "make_icon: a SIZE must be a whole number of pixels, 16 to 1024\n");
      return 2;
    }
    sizes.push_back(size);
  }
  if (sizes.empty()) sizes.push_back(256);
  for (long size : sizes) {
    const std::filesystem::path out = folder / ("starquill-" + std::to_string(size) + ".png");
    // Through a temporary name, so a build never leaves half an icon behind.
    const std::filesystem::path temporary = out.string() + ".part";
    if (!DrawIcon(static_cast<int>(size)).save(QString::fromStdString(temporary.string()), "PNG")) {
      std::fprintf(stderr, "make_icon: cannot write %s\n", temporary.string().c_str());
      return 1;
    }
    std::error_code ec;
    std::filesystem::rename(temporary, out, ec);
    if (ec) {
      std::fprintf(stderr, "make_icon: cannot write %s: %s\n", out.string().c_str(), ec.message().c_str());
      return 1;
    }
  }
  return 0;
}
