// The bits of 2/pi after the binary point, 32 to a word, most significant
// first: enough for every double and for every wide angle below 2^1300 (a
// product of a double and a logarithm, or a double times pi, stays far
// below). Shared by the reduction of angles and the angle of a power.
#pragma once

#include <cstdint>

namespace veltaro::angle {

inline constexpr std::uint32_t kTwoOverPiBits[] = {
    0xa2f9836e, 0x4e441529, 0xfc2757d1, 0xf534ddc0, 0xdb629599, 0x3c439041, 0xfe5163ab, 0xdebbc561, 0xb7246e3a,
    0x424dd2e0, 0x06492eea, 0x09d1921c, 0xfe1deb1c, 0xb129a73e, 0xe88235f5, 0x2ebb4484, 0xe99c7026, 0xb45f7e41,
    0x3991d639, 0x835339f4, 0x9c845f8b, 0xbdf9283b, 0x1ff897ff, 0xde05980f, 0xef2f118b, 0x5a0a6d1f, 0x6d367ecf,
    0x27cb09b7, 0x4f463f66, 0x9e5fea2d, 0x7527bac7, 0xebe5f17b, 0x3d0739f7, 0x8a5292ea, 0x6bfb5fb1, 0x1f8d5d08,
    0x56033046, 0xfc7b6bab, 0xf0cfbc20, 0x9af4361d, 0xa9e39161, 0x5ee61b08, 0x6599855f, 0x14a06840, 0x8dffd880,
    0x4d732731, 0x06061556, 0xca73a8c9, 0x60e27bc0, 0x8c6b47c4,
};

}  // namespace veltaro::angle
