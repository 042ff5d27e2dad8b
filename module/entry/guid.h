// Class identifiers: 16-byte GUIDs, compared byte for byte.
#pragma once

#include <cstdint>
#include <cstring>

namespace vorlane {

struct Guid {
  uint32_t data1;
  uint16_t data2;
  uint16_t data3;
  uint8_t data4[8];
};
static_assert(sizeof(Guid) == 16, "a class identifier is 16 bytes");

inline bool operator==(const Guid& a, const Guid& b) {
  return std::memcmp(&a, &b, 16) == 0;
}

// {67f3f73c-7033-4347-96fb-a4c6d6aafd22}: Telvane's output formats.
inline constexpr Guid kOutputFormatClass = {
    0x67f3f73c, 0x7033, 0x4347, {0x96, 0xfb, 0xa4, 0xc6, 0xd6, 0xaa, 0xfd, 0x22}};
// {7255e8d0-3fcf-4781-b93b-d06cb88dfafa}: pages of the host's preferences window.
inline constexpr Guid kPreferencesPageClass = {
    0x7255e8d0, 0x3fcf, 0x4781, {0xb9, 0x3b, 0xd0, 0x6c, 0xb8, 0x8d, 0xfa, 0xfa}};
// {8cc36fd2-9bc6-46b9-a748-1568de4cd602}
inline constexpr Guid kPlaylistServiceClass = {
    0x8cc36fd2, 0x9bc6, 0x46b9, {0xa7, 0x48, 0x15, 0x68, 0xde, 0x4c, 0xd6, 0x02}};
// {609d48c8-c6a6-4784-8bbd-fdd32bf0740e}
inline constexpr Guid kHandleServiceClass = {
    0x609d48c8, 0xc6a6, 0x4784, {0x8b, 0xbd, 0xfd, 0xd3, 0x2b, 0xf0, 0x74, 0x0e}};
// {056b51c7-e78c-4a4e-b84e-6bff3f8ab8f2}
inline constexpr Guid kMessageServiceClass = {
    0x056b51c7, 0xe78c, 0x4a4e, {0xb8, 0x4e, 0x6b, 0xff, 0x3f, 0x8a, 0xb8, 0xf2}};
// {2fbce1e5-902e-49e0-b9cf-ce0fba765348}
inline constexpr Guid kFileSystemServiceClass = {
    0x2fbce1e5, 0x902e, 0x49e0, {0xb9, 0xcf, 0xce, 0x0f, 0xba, 0x76, 0x53, 0x48}};

} // namespace vorlane
