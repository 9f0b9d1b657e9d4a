#pragma once
// The persisted records of the model's classes. The record functions of the base classes are
// public so that a library registering a derived class (imagery's GImg on GObj, GTileList on
// GList) can write and read the base part first, exactly as the model's own classes do.

#include <cstdint>

namespace korvel {

class CKvdReader;
class CKvdWriter;
class CKvdJson;
class GObj;
class GList;

// The .kvd version written, and the versions at which items were added.
inline constexpr uint32_t KVD_VERSION = 0x00010005;
inline constexpr uint32_t KVD_VERSION_PEN = 0x00010000;        // above: polyline width and style
inline constexpr uint32_t KVD_VERSION_COORDSYS = 0x00010001;   // above: coordinate system
inline constexpr uint32_t KVD_VERSION_POINTNO = 0x00010002;    // above: last point number
inline constexpr uint32_t KVD_VERSION_TILES = 0x00010003;      // above: web-map flag

// GObj: position, bounds (maxX, minX, maxY, minY), colour, attribute table as a GObList of
// GInfo (or null).
void KvdWriteObjRecord(CKvdWriter& out, const GObj& obj);
void KvdReadObjRecord(CKvdReader& in, GObj& obj);

// GList: the GObj record, then the members as a GObList. Loaded members are appended to the
// list's own members (bounds are not recomputed: the stored ones are kept). When the stream
// breaks off, the members read so far stay in the list, which the caller then discards.
void KvdWriteListRecord(CKvdWriter& out, const GList& list);
void KvdReadListRecord(CKvdReader& in, GList& list);

// The JSON members every map object has (class, type, colour, flags, position, bounds,
// attributes); the class's own members and list members follow through the registry.
void KvdDescribeObject(CKvdJson& json, const GObj& obj);

}  // namespace korvel
