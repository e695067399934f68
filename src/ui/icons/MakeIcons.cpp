// Draws the program's icons into PNG files at build time, so that no art is kept in the
// repository. Usage: reelweld-makeicons OUTPUT_FOLDER
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <cstdio>
#include <functional>

namespace {

const QColor Outline(40, 40, 48);
const QColor Film(60, 64, 76);
const QColor Paper(250, 250, 245);
const QColor Green(46, 160, 67);
const QColor Blue(40, 110, 200);
const QColor Red(200, 50, 50);
const QColor Spark(245, 160, 20);

// All drawings are made on a 24 x 24 grid and scaled to the image size.
using TDrawing = std::function<void(QPainter&)>;

bool Save(const QString& Folder, const QString& Name, int Size, const TDrawing& Draw)
{
  QImage image(Size, Size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  {
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(Size / 24.0, Size / 24.0);
    Draw(p);
  }
  return image.save(Folder + "/" + Name + ".png");
}

void Plus(QPainter& p, QPointF Centre, double Arm, const QColor& Color)
{
  p.setPen(QPen(Color, 2.6, Qt::SolidLine, Qt::FlatCap));
  p.drawLine(Centre - QPointF(Arm, 0), Centre + QPointF(Arm, 0));
  p.drawLine(Centre - QPointF(0, Arm), Centre + QPointF(0, Arm));
}

// A strip of film with sprocket holes along both edges.
void FilmStrip(QPainter& p, const QRectF& Strip)
{
  p.setPen(QPen(Outline, 0.8));
  p.setBrush(Film);
  p.drawRoundedRect(Strip, 1, 1);
  p.setPen(Qt::NoPen);
  p.setBrush(Paper);
  for (double x = Strip.left() + 1.2; x + 1.4 < Strip.right(); x += 2.6) {
    p.drawRect(QRectF(x, Strip.top() + 0.8, 1.4, 1.2));
    p.drawRect(QRectF(x, Strip.bottom() - 2.0, 1.4, 1.2));
  }
  p.setBrush(QColor(130, 170, 220));
  p.drawRect(QRectF(Strip.left() + 1.2, Strip.top() + 2.8, Strip.width() - 2.4, Strip.height() - 5.6));
}

void Arrow(QPainter& p, bool Up, const QColor& Color)
{
  QPainterPath path;
  const double tip = Up ? 3 : 21, base = Up ? 12 : 12, tail = Up ? 21 : 3;
  path.moveTo(12, tip);
  path.lineTo(20, base);
  path.lineTo(15, base);
  path.lineTo(15, tail);
  path.lineTo(9, tail);
  path.lineTo(9, base);
  path.lineTo(4, base);
  path.closeSubpath();
  p.setPen(QPen(Color.darker(140), 1));
  p.setBrush(Color);
  p.drawPath(path);
}

void Page(QPainter& p)
{
  QPainterPath page;
  page.moveTo(4, 2);
  page.lineTo(14, 2);
  page.lineTo(19, 7);
  page.lineTo(19, 22);
  page.lineTo(4, 22);
  page.closeSubpath();
  p.setPen(QPen(Outline, 1));
  p.setBrush(Paper);
  p.drawPath(page);
  p.drawLine(QPointF(14, 2), QPointF(14, 7));
  p.drawLine(QPointF(14, 7), QPointF(19, 7));
}

void Star(QPainter& p, QPointF Centre, double Radius)
{
  QPainterPath star;
  for (int i = 0; i < 16; ++i) {
    const double r = i % 2 ? Radius * 0.4 : Radius;
    const double a = i * 3.14159265 / 8;
    const QPointF point = Centre + QPointF(r * std::cos(a), r * std::sin(a));
    i == 0 ? star.moveTo(point) : star.lineTo(point);
  }
  star.closeSubpath();
  p.setPen(QPen(Spark.darker(130), 0.6));
  p.setBrush(Spark);
  p.drawPath(star);
}

} // namespace

int main(int argc, char* argv[])
{
  if (argc != 2) {
    std::fprintf(stderr, "usage: reelweld-makeicons OUTPUT_FOLDER\n");
    return 2;
  }
  const QString folder = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(folder);
  bool ok = true;
  ok &= Save(folder, "addfiles", 24, [](QPainter& p) {
    Page(p);
    p.setPen(Qt::NoPen);
    p.setBrush(Paper);
    p.drawEllipse(QPointF(16.5, 17.5), 6, 6);
    Plus(p, {16.5, 17.5}, 4.5, Green);
  });
  ok &= Save(folder, "play", 24, [](QPainter& p) {
    QPainterPath triangle;
    triangle.moveTo(6, 3);
    triangle.lineTo(21, 12);
    triangle.lineTo(6, 21);
    triangle.closeSubpath();
    p.setPen(QPen(Green.darker(140), 1));
    p.setBrush(Green);
    p.drawPath(triangle);
  });
  ok &= Save(folder, "moveup", 24, [](QPainter& p) { Arrow(p, true, Blue); });
  ok &= Save(folder, "movedown", 24, [](QPainter& p) { Arrow(p, false, Blue); });
  ok &= Save(folder, "joinfiles", 24, [](QPainter& p) {
    FilmStrip(p, QRectF(1, 2, 10, 9));
    FilmStrip(p, QRectF(1, 13, 10, 9));
    FilmStrip(p, QRectF(13, 7.5, 10, 9));
    Star(p, {12, 12}, 4.5);
  });
  ok &= Save(folder, "clear", 24, [](QPainter& p) {
    p.setPen(QPen(Red, 3.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(5, 5), QPointF(19, 19));
    p.drawLine(QPointF(19, 5), QPointF(5, 19));
  });
  const TDrawing application = [](QPainter& p) {
    p.save();
    p.translate(12, 12);
    p.rotate(-20);
    FilmStrip(p, QRectF(-11, -9, 10, 12));
    FilmStrip(p, QRectF(1, -3, 10, 12));
    p.restore();
    Star(p, {12, 12}, 6);
  };
  ok &= Save(folder, "reelweld", 32, application);
  // The desktop's icon theme picks the size that fits each place it shows the program.
  for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    const QString themeFolder = QString("%1/hicolor/%2x%2/apps").arg(folder).arg(size);
    ok &= QDir().mkpath(themeFolder) && Save(themeFolder, "reelweld", size, application);
  }
  if (!ok) {
    std::fprintf(stderr, "reelweld-makeicons: cannot write the icons into %s\n", argv[1]);
    return 1;
  }
  return 0;
}
