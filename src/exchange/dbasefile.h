#pragma once
// CDBaseFile: a dBase III table (.dbf, no memo) held whole in memory. It reads any consistent
// dBase III-style file, writes the subset this program creates, and knows nothing of geometry;
// the shapefile owns one table whose record i belongs to shape i.

#include "exchange/arraylist.h"
#include "exchange/codepage.h"
#include "exchange/dbasefield.h"

#include <QByteArray>
#include <QDate>
#include <QString>

#include <array>
#include <cstdint>
#include <memory>

class QIODevice;

namespace korvel {

// Status codes of the exchange readers; each is also the string-table id of its message
// (with the file path for "%1").
enum ExchangeError : uint16_t {
    EXCH_OK = 20000,               // no error
    EXCH_NOT_FOUND = 20001,        // file does not exist
    EXCH_CANNOT_OPEN = 20002,      // exists but cannot be opened
    EXCH_OUT_OF_MEMORY = 20003,    // allocation failed while loading
    EXCH_DAMAGED = 20004,          // layout inconsistent, short or trailing bytes
    EXCH_COUNT_MISMATCH = 20005,   // shape count differs from the table's record count
    EXCH_BAD_SHAPE_TYPE = 20006,   // shape type other than point, polyline, polygon
    EXCH_NOT_SHAPEFILE = 20007,    // file code is not 9994
    EXCH_BAD_VERSION = 20008,      // version is not 1000
    EXCH_NO_TABLE = 20009,         // the .dbf could not be read
};

class CDBaseFile {
public:
    // Longest record the 16-bit record length can describe (0xFFFF is kept free).
    static constexpr uint32_t kMaxRecordLength = 0xFFFE;
    // Most fields whose descriptors still fit the 16-bit header length (32 × n + 33 ≤ 65535).
    static constexpr uint32_t kMaxFields = 2046;
    static constexpr uint8_t kLanguageDriverAnsi = 0x57;

    CDBaseFile();
    virtual ~CDBaseFile() = default;
    CDBaseFile(const CDBaseFile&) = delete;
    CDBaseFile& operator=(const CDBaseFile&) = delete;

    // Code page of names and character values. Windows-1252 unless set (from a .cpg file).
    TableCodePage GetCodePage() const { return m_codePage; }
    void SetCodePage(TableCodePage cp) { m_codePage = cp; }

    // A new field, not yet part of the table. The name is cut to its first 10 bytes in the
    // table's code page; length and decimals follow the type's rules (C at most 254, N at most
    // 18 with the requested decimals, D 8, F 20, L 1, M 10, O 8, others 0). Null only when
    // out of memory.
    std::unique_ptr<CDBaseField> CreateField(const QString& name, char type, unsigned length,
                                             unsigned decimals) const;

    // Appends `field` behind the last one and widens every record by its length. Refused (the
    // field is destroyed, false returned) when the record would exceed kMaxRecordLength or the
    // table already has kMaxFields fields.
    bool AppendField(std::unique_ptr<CDBaseField> field);

    // Resizes every record to `n` bytes (new bytes are 0x00) and stores n in the header.
    // n = 0 is refused.
    bool SetRecordLength(uint16_t n);

    // Appends a record of spaces; returns its index, or -1 when out of memory.
    int AppendBlankRecord();

    // Index of the field called `name` (case-insensitive), or -1.
    int FindField(const QString& name) const;

    // The value of a field as text. For C the trimmed text; for L "1" or "0"; for N the number
    // with the field's decimals. Where the value is blank ('?' or space for L, no number for N)
    // and for every other type, `text` is left as passed in.
    void GetValueAsText(int field, int record, QString& text) const;

    // Store a value; all mark the table modified. Out-of-range indexes do nothing.
    // SetNumber writes a number that is too long for an N or F field with fewer decimals; when
    // even its integer digits do not fit (or it is not finite) the field is filled with
    // asterisks and the answer is false.
    bool SetNumber(int field, int record, double value);
    void SetText(int field, int record, const QString& text);
    void SetLogical(int field, int record, bool value);

    // Reads a whole table from the device's current position to its end. Sets the error code
    // (GetError) and the valid flag; returns IsValid().
    bool Read(QIODevice& device);
    // Opens `path` and reads it; a missing file gives 20001, one that cannot be opened 20002.
    bool Read(const QString& path);

    // Writes the whole table. A modified table gets today's date in its header first.
    bool Write(QIODevice& device);

    uint16_t GetError() const { return m_wError; }
    bool IsValid() const { return m_bValid; }
    bool IsModified() const { return m_bModified; }

    uint32_t GetFieldCount() const { return m_fields.GetCount(); }
    const CDBaseField* GetField(int i) const;
    uint32_t GetRecordCount() const { return m_records.GetCount(); }
    // The raw bytes of record `i` (record length bytes, deletion flag first); empty if out of range.
    QByteArray GetRecord(int i) const;

    uint16_t GetRecordLength() const;
    uint16_t GetHeaderLength() const;
    // Date of last update from the header; invalid when the header holds none.
    QDate GetDate() const;
    uint8_t GetLanguageDriver() const { return m_header[29]; }
    // The raw 32 header bytes as last read or prepared for writing.
    const std::array<uint8_t, 32>& GetHeader() const { return m_header; }

private:
    uint8_t* FieldBytes(int field, int record, const CDBaseField** desc);
    const uint8_t* FieldBytes(int field, int record, const CDBaseField** desc) const;
    void SetRecordCountInHeader(uint32_t n);
    bool ReadBody(QIODevice& device);

    uint16_t m_wError = 20000;
    bool m_bValid = false;
    std::array<uint8_t, 32> m_header{};
    bool m_bModified = true;
    TableCodePage m_codePage = TableCodePage::Windows1252;
    CArrayList<CDBaseField> m_fields;
    CArrayList<QByteArray> m_records;
};

}  // namespace korvel
