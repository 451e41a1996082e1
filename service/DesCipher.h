#pragma once

// DES (FIPS 46) in ECB mode over each 8-byte block of data, in place, with the
// first 8 bytes of key as the 64-bit key. Bits are taken from the least
// significant end of every byte: bit 1 of a block is the value-1 bit of its
// first byte, bit 8 that byte's value-128 bit, and so on (for key, input and
// output alike).
// 0 on success; -1 when length is negative or not a multiple of 8, leaving
// data untouched. A length of 0 does nothing.
int desEncrypt(unsigned char* data, int length, const unsigned char* key);
