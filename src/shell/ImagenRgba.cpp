#include "shell/ImagenRgba.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include <png.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <stdexcept>

#include "store/Text.h"

namespace arbelio::shell {

namespace {

// The one FreeType face of the process, loaded on first use; glyph rendering changes the face's
// slot, so every use holds the lock.
struct Fuente {
  std::mutex cerrojo;
  FT_Library biblioteca = nullptr;
  FT_Face cara = nullptr;

  Fuente() {
    const std::string ruta = RutaFuente();
    if (ruta.empty() || FT_Init_FreeType(&biblioteca) != 0) return;
    if (FT_New_Face(biblioteca, ruta.c_str(), 0, &cara) != 0) cara = nullptr;
  }
  ~Fuente() {
    if (cara) FT_Done_Face(cara);
    if (biblioteca) FT_Done_FreeType(biblioteca);
  }
  static Fuente& la() {
    static Fuente f;
    return f;
  }
};

// Walks the glyphs of a text: calls dibujar(bitmap, left, top, x) for each and returns the
// advance.
template <class F>
int RecorrerGlifos(const std::string& utf8, int puntos, F&& dibujar) {
  Fuente& f = Fuente::la();
  if (!f.cara || puntos <= 0) return 0;
  std::lock_guard<std::mutex> bloqueo(f.cerrojo);
  FT_Set_Pixel_Sizes(f.cara, 0, static_cast<FT_UInt>(puntos));
  int x = 0;
  for (std::size_t i = 0; i < utf8.size();) {
    const char32_t c = store::nextUtf8(utf8, i);
    if (FT_Load_Char(f.cara, c, FT_LOAD_RENDER) != 0) continue;
    const FT_GlyphSlot g = f.cara->glyph;
    dibujar(g->bitmap, g->bitmap_left, g->bitmap_top, x);
    x += static_cast<int>(g->advance.x >> 6);
  }
  return x;
}

}  // namespace

std::string RutaFuente() {
  if (const char* propia = std::getenv("ARBELIO_FUENTE"); propia && *propia) return propia;
  for (const char* ruta :
       {"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", "/usr/share/fonts/TTF/DejaVuSans.ttf",
        "/usr/share/fonts/dejavu/DejaVuSans.ttf"}) {
    std::error_code ec;
    if (std::filesystem::is_regular_file(ruta, ec)) return ruta;
  }
  return "";
}

ImagenRgba::ImagenRgba(int ancho, int alto, Color fondo)
    : ancho_(std::max(1, ancho)), alto_(std::max(1, alto)) {
  pixeles_.resize(static_cast<std::size_t>(ancho_) * static_cast<std::size_t>(alto_) * 4);
  for (std::size_t i = 0; i < pixeles_.size(); i += 4) {
    pixeles_[i] = fondo.r;
    pixeles_[i + 1] = fondo.g;
    pixeles_[i + 2] = fondo.b;
    pixeles_[i + 3] = 255;
  }
}

Color ImagenRgba::pixel(int x, int y) const {
  const std::size_t i = (static_cast<std::size_t>(y) * static_cast<std::size_t>(ancho_) +
                         static_cast<std::size_t>(x)) *
                        4;
  return {pixeles_.at(i), pixeles_.at(i + 1), pixeles_.at(i + 2)};
}

void ImagenRgba::mezclar(int x, int y, Color c, double alfa) {
  if (x < 0 || y < 0 || x >= ancho_ || y >= alto_ || alfa <= 0) return;
  alfa = std::min(alfa, 1.0);
  const std::size_t i = (static_cast<std::size_t>(y) * static_cast<std::size_t>(ancho_) +
                         static_cast<std::size_t>(x)) *
                        4;
  const auto mezcla = [alfa](std::uint8_t fondo, std::uint8_t color) {
    return static_cast<std::uint8_t>(std::lround(fondo + (color - fondo) * alfa));
  };
  pixeles_[i] = mezcla(pixeles_[i], c.r);
  pixeles_[i + 1] = mezcla(pixeles_[i + 1], c.g);
  pixeles_[i + 2] = mezcla(pixeles_[i + 2], c.b);
}

void ImagenRgba::rectangulo(int x, int y, int ancho, int alto, Color c) {
  for (int j = std::max(0, y); j < std::min(alto_, y + alto); ++j)
    for (int i = std::max(0, x); i < std::min(ancho_, x + ancho); ++i) mezclar(i, j, c);
}

void ImagenRgba::marco(int x, int y, int ancho, int alto, Color c) {
  rectangulo(x, y, ancho, 1, c);
  rectangulo(x, y + alto - 1, ancho, 1, c);
  rectangulo(x, y, 1, alto, c);
  rectangulo(x + ancho - 1, y, 1, alto, c);
}

void ImagenRgba::linea(int x0, int y0, int x1, int y1, Color c) {
  // Bresenham.
  const int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
  const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
  int err = dx + dy;
  for (;;) {
    mezclar(x0, y0, c);
    if (x0 == x1 && y0 == y1) break;
    const int e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x0 += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y0 += sy;
    }
  }
}

void ImagenRgba::circulo(double cx, double cy, double radio, Color c,
                         double (*cobertura)(double distancia, double radio)) {
  const int x0 = static_cast<int>(std::floor(cx - radio - 1)),
            x1 = static_cast<int>(std::ceil(cx + radio + 1));
  const int y0 = static_cast<int>(std::floor(cy - radio - 1)),
            y1 = static_cast<int>(std::ceil(cy + radio + 1));
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x)
      mezclar(x, y, c, cobertura(std::hypot(x + 0.5 - cx, y + 0.5 - cy), radio));
}

void ImagenRgba::disco(double cx, double cy, double radio, Color relleno) {
  circulo(cx, cy, radio, relleno,
          [](double d, double r) { return std::clamp(r + 0.5 - d, 0.0, 1.0); });
}

void ImagenRgba::anillo(double cx, double cy, double radio, Color borde) {
  circulo(cx, cy, radio, borde,
          [](double d, double r) { return std::clamp(1.0 - std::abs(d - (r - 0.5)), 0.0, 1.0); });
}

int ImagenRgba::texto(int x, int y, const std::string& utf8, int puntos, Color c) {
  return RecorrerGlifos(
      utf8, puntos, [&](const FT_Bitmap& b, int izquierda, int arriba, int avance) {
        for (unsigned fila = 0; fila < b.rows; ++fila) {
          for (unsigned col = 0; col < b.width; ++col) {
            const std::uint8_t g = b.buffer[fila * static_cast<unsigned>(std::abs(b.pitch)) + col];
            mezclar(x + avance + izquierda + static_cast<int>(col),
                    y - arriba + static_cast<int>(fila), c, g / 255.0);
          }
        }
      });
}

int ImagenRgba::anchoTexto(const std::string& utf8, int puntos) {
  return RecorrerGlifos(utf8, puntos, [](const FT_Bitmap&, int, int, int) {});
}

std::string CodificaPng(const ImagenRgba& imagen) {
  std::string salida;
  std::vector<png_bytep> filas(static_cast<std::size_t>(imagen.alto()));
  for (std::size_t y = 0; y < filas.size(); ++y) {
    filas[y] = const_cast<png_bytep>(imagen.pixeles().data() +
                                     y * static_cast<std::size_t>(imagen.ancho()) * 4);
  }
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info) {
    png_destroy_write_struct(&png, &info);
    throw std::runtime_error("No se puede crear la imagen PNG.");
  }
  // libpng reports errors by a long jump back here; nothing with a destructor is created
  // between this point and the calls that may jump.
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    throw std::runtime_error("No se puede codificar la imagen PNG.");
  }
  png_set_write_fn(
      png, &salida,
      [](png_structp p, png_bytep datos, png_size_t n) {
        static_cast<std::string*>(png_get_io_ptr(p))->append(reinterpret_cast<char*>(datos), n);
      },
      nullptr);
  png_set_IHDR(png, info, static_cast<png_uint_32>(imagen.ancho()),
               static_cast<png_uint_32>(imagen.alto()), 8, PNG_COLOR_TYPE_RGB_ALPHA,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_rows(png, info, filas.data());
  png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
  png_destroy_write_struct(&png, &info);
  return salida;
}

}  // namespace arbelio::shell
