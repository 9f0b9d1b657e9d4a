#pragma once
// One field (column) of a dBase table: the 32-byte descriptor exactly as it lies in the file,
// plus where the field starts inside a record and its name as text.

#include <QString>

#include <cstdint>

namespace korvel {

// The on-disk field descriptor; kept byte for byte so that reading and writing copy it whole.
struct tagDBASEFIELD {
    char name[11];       // 8-bit name, zero-padded; at most 10 bytes, byte 10 stays 0
    char type;           // type letter: C, D, F, L, M, N, O, ...
    uint8_t reserved1[4];
    uint8_t length;      // field length in bytes
    uint8_t decimals;    // digits after the point (N and F)
    uint8_t reserved2[14];
};
static_assert(sizeof(tagDBASEFIELD) == 32, "dBase field descriptors are 32 bytes");

class CDBaseField : public tagDBASEFIELD {
public:
    CDBaseField() : tagDBASEFIELD{} {}

    // Position of the field inside a record; the first field starts at 1 after the deletion flag.
    uint32_t m_nOffset = 0;
    // The name decoded through the table's code page.
    QString m_strName;
};

}  // namespace korvel
