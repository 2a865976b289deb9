// Window geometry is designed in twips (1/1440 inch); at the usual 96 dots per inch a pixel is
// 15 twips.
#pragma once

namespace arbelio::shell {

constexpr int Twips(int twips) {
  return (twips + 7) / 15;
}

}  // namespace arbelio::shell
