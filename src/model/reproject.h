#pragma once
// Changing a document's coordinate system: relabelling, converting its objects in place, or
// converting a copy of them in another document. The dialog and the view window belong to the
// desktop program; this is the part that touches the objects.

#include <cstddef>
#include <cstdint>

namespace korvel {

class CKorvelDoc;

// Whether a change from `from` to `to` converts coordinates. It does not when the two are the
// same or either is the local system 0: the document then only receives the new label (a
// local document gets a system, a labelled one becomes local).
bool ChangeConverts(int32_t from, int32_t to);

// Appends a copy of every top-level object of `source` to the root list of `target`, in
// order (lists are copied with their members). False when a copy could not be made; what was
// copied until then stays.
bool CopyObjects(const CKorvelDoc& source, CKorvelDoc& target);

// Gives `doc` the system `to`. When ChangeConverts(doc's system, to): every raster image is
// removed and deleted (it cannot be re-projected), every remaining coordinate is converted
// with TransformPoint and the computed attributes refreshed, and the bounds are recomputed.
// An object with a coordinate TransformPoint refuses (not finite, out of range) keeps all its
// values and the conversion goes on with the others; `*unconverted` receives how many were
// kept so. The document takes the new system after that pass and is marked modified whenever
// its system changes. Returns false, changing nothing, when TransformPoint does not know one
// of the two systems.
bool ReprojectDocument(CKorvelDoc& doc, int32_t to, size_t* unconverted = nullptr);

// Before WGS84 positions (GPS fixes, geographic imports) go into `doc`: a local document that
// holds no map object yet takes the web-mercator system 900913, so that the data lands on the
// online maps. Returns the system the incoming WGS84 coordinates are to be converted into,
// which is the document's system; 0 means they go in unconverted (a local document that
// already holds objects keeps its system). Markers report the plain type code 0 and empty
// lists hold nothing, so neither counts as an object.
int32_t AdoptWgs84(CKorvelDoc& doc);

}  // namespace korvel
