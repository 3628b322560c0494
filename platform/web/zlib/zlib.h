// The part of zlib's interface the PNG writer uses, for the browser build, where zlib itself is not
// at hand: crc32, compressBound and compress2, the last writing stored (unpacked) deflate blocks.
// The PNG files are larger than zlib's but read the same. See zlib_stored.cpp.
#pragma once
#include <cstdint>

typedef unsigned char Bytef;
typedef unsigned int uInt;
typedef unsigned long uLong;
typedef unsigned long uLongf;

constexpr int Z_OK = 0;
constexpr int Z_BUF_ERROR = -5;

uLong crc32(uLong crc, const Bytef* data, uInt length);
uLong compressBound(uLong sourceLength);
int compress2(Bytef* dest, uLongf* destLength, const Bytef* source, uLong sourceLength, int level);
