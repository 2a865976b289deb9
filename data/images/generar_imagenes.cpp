// Draws the pictures of the Images folder: the splash's forest (bosque.jpg), the arrows of the
// cut tool's buttons, the formulas of the calculation options (GIF) and the program's icon. Run it
// offscreen:
//   QT_QPA_PLATFORM=offscreen arbelio-generar-imagenes data/images
// Qt reads GIF but does not write it, so the GIF files are encoded here (GIF89a, LZW).
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QString>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <vector>

namespace {

// ---- GIF ----

class EscritorBits {
 public:
  void poner(std::uint32_t codigo, int bits) {
    acumulado_ |= codigo << ocupados_;
    ocupados_ += bits;
    while (ocupados_ >= 8) {
      bytes.push_back(static_cast<std::uint8_t>(acumulado_ & 0xFF));
      acumulado_ >>= 8;
      ocupados_ -= 8;
    }
  }
  void cerrar() {
    if (ocupados_ > 0) bytes.push_back(static_cast<std::uint8_t>(acumulado_ & 0xFF));
    acumulado_ = 0;
    ocupados_ = 0;
  }
  std::vector<std::uint8_t> bytes;

 private:
  std::uint32_t acumulado_ = 0;
  int ocupados_ = 0;
};

std::vector<std::uint8_t> Lzw(const std::vector<std::uint8_t>& indices, int tamMinimo) {
  const int borrar = 1 << tamMinimo;
  const int fin = borrar + 1;
  EscritorBits salida;
  std::map<std::pair<int, int>, int> diccionario;
  int tamCodigo = tamMinimo + 1;
  int maximo = fin;
  salida.poner(borrar, tamCodigo);
  int actual = -1;
  for (std::uint8_t p : indices) {
    if (actual < 0) {
      actual = p;
      continue;
    }
    auto it = diccionario.find({actual, p});
    if (it != diccionario.end()) {
      actual = it->second;
      continue;
    }
    salida.poner(actual, tamCodigo);
    ++maximo;
    diccionario[{actual, p}] = maximo;
    if (maximo >= (1 << tamCodigo)) ++tamCodigo;
    if (maximo == 4095) {
      salida.poner(borrar, tamCodigo);
      diccionario.clear();
      tamCodigo = tamMinimo + 1;
      maximo = fin;
    }
    actual = p;
  }
  if (actual >= 0) salida.poner(actual, tamCodigo);
  salida.poner(fin, tamCodigo);
  salida.cerrar();
  return salida.bytes;
}

void Palabra(std::vector<std::uint8_t>& b, int v) {
  b.push_back(static_cast<std::uint8_t>(v & 0xFF));
  b.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}

// Writes an ARGB picture as GIF. Pixels more than half transparent become the transparent
// colour (index 0) when `transparente`; the others keep their exact colour (at most 255).
bool EscribirGif(const QImage& original, const QString& ruta, bool transparente) {
  QImage img = original.convertToFormat(QImage::Format_ARGB32);
  std::vector<QRgb> paleta;
  std::map<QRgb, int> indice;
  if (transparente) paleta.push_back(qRgb(255, 255, 255));
  std::vector<std::uint8_t> pixeles;
  pixeles.reserve(static_cast<std::size_t>(img.width() * img.height()));
  for (int y = 0; y < img.height(); ++y) {
    for (int x = 0; x < img.width(); ++x) {
      QRgb c = img.pixel(x, y);
      if (transparente && qAlpha(c) < 128) {
        pixeles.push_back(0);
        continue;
      }
      c = qRgb(qRed(c), qGreen(c), qBlue(c));
      auto it = indice.find(c);
      if (it == indice.end()) {
        if (paleta.size() >= 256) {
          std::fprintf(stderr, "%s: más de 256 colores\n", qPrintable(ruta));
          return false;
        }
        it = indice.emplace(c, static_cast<int>(paleta.size())).first;
        paleta.push_back(c);
      }
      pixeles.push_back(static_cast<std::uint8_t>(it->second));
    }
  }
  int bits = 1;
  while ((1 << bits) < static_cast<int>(paleta.size())) ++bits;
  paleta.resize(static_cast<std::size_t>(1) << bits, qRgb(0, 0, 0));

  std::vector<std::uint8_t> b = {'G', 'I', 'F', '8', '9', 'a'};
  Palabra(b, img.width());
  Palabra(b, img.height());
  b.push_back(static_cast<std::uint8_t>(0x80 | (7 << 4) | (bits - 1)));
  b.push_back(0);  // background colour
  b.push_back(0);  // aspect ratio
  for (QRgb c : paleta) {
    b.push_back(static_cast<std::uint8_t>(qRed(c)));
    b.push_back(static_cast<std::uint8_t>(qGreen(c)));
    b.push_back(static_cast<std::uint8_t>(qBlue(c)));
  }
  if (transparente) {
    for (int v : {0x21, 0xF9, 0x04, 0x01, 0x00, 0x00, 0x00, 0x00})
      b.push_back(static_cast<std::uint8_t>(v));
  }
  b.push_back(0x2C);
  Palabra(b, 0);
  Palabra(b, 0);
  Palabra(b, img.width());
  Palabra(b, img.height());
  b.push_back(0);
  const int tamMinimo = bits < 2 ? 2 : bits;
  b.push_back(static_cast<std::uint8_t>(tamMinimo));
  const std::vector<std::uint8_t> datos = Lzw(pixeles, tamMinimo);
  for (std::size_t i = 0; i < datos.size(); i += 255) {
    const std::size_t n = std::min<std::size_t>(255, datos.size() - i);
    b.push_back(static_cast<std::uint8_t>(n));
    b.insert(b.end(), datos.begin() + static_cast<std::ptrdiff_t>(i),
             datos.begin() + static_cast<std::ptrdiff_t>(i + n));
  }
  b.push_back(0);
  b.push_back(0x3B);
  std::ofstream f(ruta.toStdString(), std::ios::binary);
  f.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
  f.close();
  if (!f) return false;

  // Read it back with Qt's own reader: every opaque pixel must come back unchanged.
  QImageReader lector(ruta);
  QImage leida = lector.read();
  if (leida.size() != img.size()) {
    std::fprintf(stderr, "%s: Qt no la lee: %s\n", qPrintable(ruta),
                 qPrintable(lector.errorString()));
    return false;
  }
  leida = leida.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < img.height(); ++y) {
    for (int x = 0; x < img.width(); ++x) {
      QRgb a = img.pixel(x, y);
      QRgb l = leida.pixel(x, y);
      if (transparente && qAlpha(a) < 128) {
        if (qAlpha(l) == 0) continue;
      } else if (qRgb(qRed(a), qGreen(a), qBlue(a)) == qRgb(qRed(l), qGreen(l), qBlue(l))) {
        continue;
      }
      std::fprintf(stderr, "%s: el píxel (%d, %d) no se lee igual\n", qPrintable(ruta), x, y);
      return false;
    }
  }
  return true;
}

// ---- Pictures ----

// Deterministic pseudo-random numbers, so every run draws the same forest.
class Azar {
 public:
  double siguiente() {
    estado_ = estado_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<double>(estado_ >> 11) / static_cast<double>(1ULL << 53);
  }
  double entre(double a, double b) { return a + (b - a) * siguiente(); }

 private:
  std::uint64_t estado_ = 20261207;
};

void Abeto(QPainter& p, double x, double base, double alto, QColor verde) {
  const double ancho = alto * 0.42;
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(92, 64, 40));
  p.drawRect(QRectF(x - alto * 0.03, base - alto * 0.12, alto * 0.06, alto * 0.12));
  for (int piso = 0; piso < 4; ++piso) {
    const double arriba = base - alto + piso * alto * 0.18;
    const double abajo = base - alto * 0.1 - (3 - piso) * alto * 0.14;
    const double mitad = ancho * (0.45 + piso * 0.18) / 2;
    QPainterPath t;
    t.moveTo(x, arriba);
    t.lineTo(x + mitad, abajo);
    t.lineTo(x - mitad, abajo);
    t.closeSubpath();
    p.setBrush(verde.darker(100 + piso * 6));
    p.drawPath(t);
  }
}

QImage Bosque() {
  const int w = 480, h = 560;
  QImage img(w, h, QImage::Format_RGB32);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient cielo(0, 0, 0, h * 0.6);
  cielo.setColorAt(0, QColor(120, 170, 215));
  cielo.setColorAt(1, QColor(222, 234, 238));
  p.fillRect(img.rect(), cielo);
  QRadialGradient sol(w * 0.78, h * 0.14, 60);
  sol.setColorAt(0, QColor(255, 250, 215));
  sol.setColorAt(1, QColor(255, 250, 215, 0));
  p.setPen(Qt::NoPen);
  p.setBrush(sol);
  p.drawEllipse(QPointF(w * 0.78, h * 0.14), 60, 60);

  Azar azar;
  // Mountains in the distance.
  const QColor montes[] = {QColor(150, 172, 190), QColor(118, 146, 152)};
  for (int capa = 0; capa < 2; ++capa) {
    QPainterPath m;
    m.moveTo(0, h);
    double y0 = h * (0.40 + capa * 0.07);
    for (int i = 0; i <= 12; ++i) m.lineTo(w * i / 12.0, y0 - azar.entre(0, 60 - capa * 20));
    m.lineTo(w, h);
    m.closeSubpath();
    p.setBrush(montes[capa]);
    p.drawPath(m);
  }
  // Rows of firs, from the back to the front.
  struct Fila {
    double base, alto, paso;
    QColor verde;
  };
  const Fila filas[] = {{h * 0.60, 90, 22, QColor(70, 112, 84)},
                        {h * 0.70, 140, 34, QColor(48, 96, 62)},
                        {h * 0.84, 220, 58, QColor(34, 82, 46)},
                        {h * 1.02, 330, 95, QColor(24, 66, 34)}};
  for (const Fila& f : filas) {
    if (&f == &filas[2]) {  // meadow between the middle and front rows
      QLinearGradient prado(0, h * 0.7, 0, h);
      prado.setColorAt(0, QColor(118, 150, 78));
      prado.setColorAt(1, QColor(84, 118, 52));
      p.setBrush(prado);
      p.drawRect(QRectF(0, h * 0.70, w, h * 0.30));
    }
    for (double x = azar.entre(-f.paso, 0); x < w + f.paso; x += f.paso * azar.entre(0.7, 1.2)) {
      QColor v = f.verde;
      v.setHsv(v.hsvHue() + static_cast<int>(azar.entre(-8, 8)), v.hsvSaturation(), v.value());
      Abeto(p, x, f.base + azar.entre(-6, 6), f.alto * azar.entre(0.8, 1.15), v);
    }
  }
  p.end();
  return img;
}

QImage Flecha(bool haciaAbajo) {
  const int lado = 20;
  QImage img(lado, lado, QImage::Format_ARGB32);
  img.fill(Qt::transparent);
  QPainter p(&img);
  QPolygonF f;
  // Right-pointing arrow: shaft and head.
  f << QPointF(2, 7) << QPointF(10, 7) << QPointF(10, 2) << QPointF(18, 10) << QPointF(10, 18)
    << QPointF(10, 13) << QPointF(2, 13);
  if (haciaAbajo) {
    QTransform giro;
    giro.translate(lado, 0);
    giro.rotate(90);
    f = giro.map(f);
  }
  p.setPen(QPen(QColor(16, 64, 24), 1));
  p.setBrush(QColor(46, 139, 64));
  p.drawPolygon(f);
  p.end();
  return img;
}

// A small layout of formula pieces drawn left to right on a base line.
class Formula {
 public:
  explicit Formula(int puntos) : fuente_(QStringLiteral("DejaVu Serif")) {
    fuente_.setPointSize(puntos);
    fuente_.setStyleStrategy(QFont::PreferAntialias);
    cursiva_ = fuente_;
    cursiva_.setItalic(true);
  }

  // Width of a piece of text.
  double ancho(const QString& t, bool italica) const {
    return QFontMetricsF(italica ? cursiva_ : fuente_).horizontalAdvance(t);
  }

  void texto(QPainter& p, double& x, double base, const QString& t, bool italica = false) {
    p.setFont(italica ? cursiva_ : fuente_);
    p.drawText(QPointF(x, base), t);
    x += ancho(t, italica);
  }

  // Square root sign over a radicand drawn by `radicando` from x; returns its width.
  void raiz(QPainter& p, double& x, double base, double anchoRadicando,
            const std::function<void(double&)>& radicando) {
    const QFontMetricsF fm(fuente_);
    const double alto = fm.ascent() * 0.95;
    const double techo = base - alto;
    QPainterPath s;
    s.moveTo(x, base - alto * 0.45);
    s.lineTo(x + 3, base - alto * 0.52);
    s.lineTo(x + 7, base + 2);
    s.lineTo(x + 12, techo);
    s.lineTo(x + 16 + anchoRadicando, techo);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::black, 1.3));
    p.drawPath(s);
    double xr = x + 15;
    radicando(xr);
    x = x + 18 + anchoRadicando;
  }

  // Fraction centred on the line at `eje` (distance above the base line).
  void fraccion(QPainter& p, double& x, double base, double anchoFraccion,
                const std::function<void(double&, double)>& numerador, double anchoNum,
                const std::function<void(double&, double)>& denominador, double anchoDen) {
    const QFontMetricsF fm(fuente_);
    const double eje = base - fm.xHeight() * 0.55;
    p.setPen(QPen(Qt::black, 1.3));
    p.drawLine(QPointF(x, eje), QPointF(x + anchoFraccion, eje));
    double xn = x + (anchoFraccion - anchoNum) / 2;
    numerador(xn, eje - fm.descent() - 4);
    double xd = x + (anchoFraccion - anchoDen) / 2;
    denominador(xd, eje + fm.ascent() + 2);
    x += anchoFraccion;
  }

  QFont fuente_;
  QFont cursiva_;
};

QImage Lienzo(int w, int h) {
  QImage img(w, h, QImage::Format_ARGB32);
  img.fill(Qt::white);
  return img;
}

QImage Hart(bool becking) {
  QImage img = Lienzo(becking ? 260 : 200, 78);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  p.setPen(Qt::black);
  Formula f(15);
  const double base = 44;
  double x = 8;
  f.texto(p, x, base, QStringLiteral("IH"), true);
  f.texto(p, x, base, QStringLiteral(" = "));
  const QString radicando = becking ? QStringLiteral("0,933·N") : QStringLiteral("N");
  const double anchoRad =
      becking ? f.ancho(QStringLiteral("0,933·"), false) + f.ancho(QStringLiteral("N"), true)
              : f.ancho(QStringLiteral("N"), true);
  const double anchoDen =
      f.ancho(QStringLiteral("Ho"), true) + f.ancho(QStringLiteral(" · "), false) + 18 + anchoRad;
  const double anchoNum = f.ancho(QStringLiteral("10 000"), false);
  f.fraccion(
      p, x, base, anchoDen + 8,
      [&](double& xn, double b) { f.texto(p, xn, b, QStringLiteral("10 000")); }, anchoNum,
      [&](double& xd, double b) {
        f.texto(p, xd, b, QStringLiteral("Ho"), true);
        f.texto(p, xd, b, QStringLiteral(" · "));
        f.raiz(p, xd, b, anchoRad, [&](double& xr) {
          if (becking) f.texto(p, xr, b, QStringLiteral("0,933·"));
          p.setPen(Qt::black);
          f.texto(p, xr, b, QStringLiteral("N"), true);
        });
      },
      anchoDen);
  p.end();
  return img;
}

QImage Reineke() {
  QImage img = Lienzo(230, 78);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  p.setPen(Qt::black);
  Formula f(15);
  const double base = 44;
  double x = 8;
  f.texto(p, x, base, QStringLiteral("SDI"), true);
  f.texto(p, x, base, QStringLiteral(" = "));
  f.texto(p, x, base, QStringLiteral("N"), true);
  f.texto(p, x, base, QStringLiteral(" · "));
  QFont grande = f.fuente_;
  grande.setPointSize(30);
  grande.setWeight(QFont::Light);
  p.setFont(grande);
  p.drawText(QPointF(x, base + 10), QStringLiteral("("));
  x += QFontMetricsF(grande).horizontalAdvance(QStringLiteral("(")) + 2;
  const double anchoNum = f.ancho(QStringLiteral("25"), false);
  const double anchoDen = f.ancho(QStringLiteral("Dg"), true);
  f.fraccion(
      p, x, base, anchoDen + 8,
      [&](double& xn, double b) { f.texto(p, xn, b, QStringLiteral("25")); }, anchoNum,
      [&](double& xd, double b) { f.texto(p, xd, b, QStringLiteral("Dg"), true); }, anchoDen);
  x += 2;
  p.setFont(grande);
  p.setPen(Qt::black);
  p.drawText(QPointF(x, base + 10), QStringLiteral(")"));
  x += QFontMetricsF(grande).horizontalAdvance(QStringLiteral(")"));
  Formula exponente(12);
  exponente.texto(p, x, base - 20, QStringLiteral("β"), true);
  p.end();
  return img;
}

QImage Beta() {
  QImage img = Lienzo(22, 28);
  QPainter p(&img);
  p.setRenderHint(QPainter::TextAntialiasing);
  p.setPen(Qt::black);
  Formula f(14);
  double x = 3;
  f.texto(p, x, 20, QStringLiteral("β"), true);
  p.end();
  return img;
}

// The program's icon: a fir on a rounded green square, as every window of the program shows it.
QImage Icono() {
  const int lado = 64;
  QImage img(lado, lado, QImage::Format_ARGB32);
  img.fill(Qt::transparent);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient fondo(0, 0, 0, lado);
  fondo.setColorAt(0, QColor(170, 205, 150));
  fondo.setColorAt(1, QColor(96, 140, 80));
  p.setPen(QPen(QColor(40, 70, 36), 2));
  p.setBrush(fondo);
  p.drawRoundedRect(QRectF(2, 2, lado - 4, lado - 4), 12, 12);
  Abeto(p, lado / 2.0, lado - 7, lado - 14, QColor(30, 78, 40));
  p.end();
  return img;
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "uso: arbelio-generar-imagenes CARPETA\n");
    return 2;
  }
  const QString carpeta = QString::fromLocal8Bit(argv[1]) + "/";
  bool bien = Bosque().save(carpeta + "bosque.jpg", "JPG", 88);
  bien = EscribirGif(Flecha(false), carpeta + "FlechaADcha.GIF", true) && bien;
  bien = EscribirGif(Flecha(true), carpeta + "FlechaAbajo.GIF", true) && bien;
  bien = EscribirGif(Hart(true), carpeta + "hart1.GIF", false) && bien;
  bien = EscribirGif(Hart(false), carpeta + "hart2.GIF", false) && bien;
  bien = EscribirGif(Reineke(), carpeta + "REIN1.GIF", false) && bien;
  bien = EscribirGif(Beta(), carpeta + "beta.GIF", false) && bien;
  bien = Icono().save(carpeta + "arbelio.png", "PNG") && bien;
  if (!bien) std::fprintf(stderr, "no se pudieron escribir todas las imágenes\n");
  return bien ? 0 : 1;
}
