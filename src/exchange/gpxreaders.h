#pragma once
// The two readers behind ReadGpx and the rules they share.
//
// The quick reader takes GPX as programs write it: UTF-8 and the plain XML the format needs
// (elements, attributes, namespaces, text, CDATA, comments, processing instructions, the five
// predefined entities and character references). It reads straight from the bytes and gives up
// on anything else: other encodings, a document type declaration, every fault. What it gives up
// on goes to the complete reader, which is built on QXmlStreamReader, reads whatever else is
// well-formed XML, and finds the line and column of a fault. For every file the quick reader
// takes, the complete reader yields the same records.

#include "exchange/gpxfile.h"

#include <QByteArray>
#include <QStringView>

#include <string_view>

namespace korvel::gpx {

// True with `content` filled when the quick reader took the file; false (with `content` in
// any state) when it leaves the file to the complete reader.
bool ReadQuick(std::string_view bytes, GpxContent* content);

// The complete reader: true with `content` filled, or false with `content` empty and `error`
// set to the place and kind of the first fault.
bool ReadComplete(const QByteArray& bytes, GpxContent* content, GpxReadError* error);

// Namespaces that start so are GPX 1.1 or 1.0.
inline constexpr char kGpxNamespacePrefix[] = "http://www.topografix.com/GPX/";

// The elements that carry points. Met where they do not belong they are an error rather than
// something to pass over: dropping them would lose positions without a word.
bool IsPointOrPath(QStringView name);
bool IsPointOrPath(std::string_view name);

// An xsd:decimal: optional sign, digits with at most one point, no exponent, no "inf"/"nan".
// The first form takes the number alone; the second allows white space around it (the schema
// collapses it).
bool ParseDecimal(std::string_view text, double* out);
bool ParseDecimal(QStringView text, double* out);

}  // namespace korvel::gpx
