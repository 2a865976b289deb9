// A small raster canvas for the drawings the program writes without a window system (the map of
// the cut, also in arbelio-batch): an 8-bit RGBA image with filled rectangles, frames, lines,
// anti-aliased discs and text (FreeType with the DejaVu Sans font of the system), and its PNG
// encoding (libpng). The window shows the same pixels, so the screen and the saved file agree.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace arbelio::shell {

struct Color {
  std::uint8_t r = 0, g = 0, b = 0;
  friend bool operator==(const Color&, const Color&) = default;
};

class ImagenRgba {
 public:
  ImagenRgba(int ancho, int alto, Color fondo = {255, 255, 255});

  int ancho() const { return ancho_; }
  int alto() const { return alto_; }
  // Bytes R, G, B, A per pixel, rows top to bottom.
  const std::vector<std::uint8_t>& pixeles() const { return pixeles_; }
  Color pixel(int x, int y) const;

  // Blends `c` over pixel (x, y) with coverage `alfa` (0-1); outside the image: nothing.
  void mezclar(int x, int y, Color c, double alfa = 1);
  void rectangulo(int x, int y, int ancho, int alto, Color c);
  void marco(int x, int y, int ancho, int alto, Color c);
  void linea(int x0, int y0, int x1, int y1, Color c);
  // A disc centred at (cx, cy) with an anti-aliased edge; a one-pixel ring of that radius.
  void disco(double cx, double cy, double radio, Color relleno);
  void anillo(double cx, double cy, double radio, Color borde);

  // Text (UTF-8) with its baseline starting at (x, y), `puntos` pixels high. Returns the
  // advance in pixels; 0 (nothing drawn) when no font is available.
  int texto(int x, int y, const std::string& utf8, int puntos, Color c);
  // The advance the text would take.
  static int anchoTexto(const std::string& utf8, int puntos);

 private:
  // Blends `c` over the pixels around (cx, cy) with the coverage of each pixel by the distance
  // of its centre.
  void circulo(double cx, double cy, double radio, Color c,
               double (*cobertura)(double distancia, double radio));
  int ancho_, alto_;
  std::vector<std::uint8_t> pixeles_;
};

// The image as a PNG file (RGBA, 8 bits per channel). Throws std::runtime_error when encoding
// fails.
std::string CodificaPng(const ImagenRgba& imagen);

// Path of the font the text uses ("" when none of the known places holds it).
std::string RutaFuente();

}  // namespace arbelio::shell
