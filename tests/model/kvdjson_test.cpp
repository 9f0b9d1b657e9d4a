// The JSON writer behind the document dump: separators in every position and numbers JSON has
// no literal for, each output checked with a JSON parser.
#include "model/kvdjson.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QJsonDocument>

#include <functional>
#include <limits>

namespace korvel {
namespace {

QByteArray Write(const std::function<void(CKvdJson&)>& body)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        CKvdJson json(buffer);
        body(json);
        EXPECT_TRUE(json.Flush());
    }
    return bytes;
}

TEST(KvdJsonTest, NonFiniteNumbersAreStringsInEveryPosition)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Row {
        const char* what;
        std::function<void(CKvdJson&)> body;
        const char* expected;
    } rows[] = {
        {"first member",
         [&](CKvdJson& j) {
             j.BeginObject();
             j.Key("height");
             j.Value(nan);
             j.Key("n");
             j.Value(int32_t(1));
             j.EndObject();
         },
         R"({"height":"NaN","n":1})"},
        {"later member",
         [&](CKvdJson& j) {
             j.BeginObject();
             j.Key("n");
             j.Value(int32_t(1));
             j.Key("height");
             j.Value(-inf);
             j.EndObject();
         },
         R"({"n":1,"height":"-Infinity"})"},
        {"point and array",
         [&](CKvdJson& j) {
             j.BeginArray();
             j.Value(inf);
             j.Point(nan, 2.5);
             j.Value(nan);
             j.EndArray();
         },
         R"(["Infinity",["NaN",2.5],"NaN"])"},
        {"finite numbers unchanged",
         [&](CKvdJson& j) {
             j.BeginArray();
             j.Value(0.1);
             j.Value(-0.0);
             j.Value(1e300);
             j.EndArray();
         },
         R"([0.10000000000000001,-0,1.0000000000000001e+300])"},
    };
    for (const Row& r : rows) {
        const QByteArray out = Write(r.body);
        EXPECT_EQ(out, QByteArray(r.expected)) << r.what;
        QJsonParseError error;
        QJsonDocument::fromJson(out, &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << r.what << ": " << out.constData();
    }
}

}  // namespace
}  // namespace korvel
