// The shared codec: TTC integers, CLR forms, packet framing and Oracle NUMBER.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "oracle/wire/ByteReader.h"
#include "oracle/wire/ByteWriter.h"
#include "oracle/wire/Errors.h"
#include "oracle/wire/Number.h"
#include "oracle/wire/Packet.h"
#include "toolkit/Exception.h"

namespace oracle::wire {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Feeds a reader one byte per piece, so every value crosses a piece boundary.
class TrickleSource : public ByteSource {
public:
    explicit TrickleSource(Bytes bytes) : bytes_(std::move(bytes)) {}
    std::span<const std::uint8_t> Next() override {
        if (at_ == bytes_.size()) ThrowProtocol("end of test data");
        return std::span(bytes_).subspan(at_++, 1);
    }

private:
    Bytes bytes_;
    std::size_t at_ = 0;
};

TEST(TtcIntegers, KnownEncodingsRoundTripThroughPiecewiseReader) {
    struct Case {
        std::int64_t value;
        Bytes bytes;
    };
    const std::vector<Case> cases = {
        {0, {0x00}},
        {5, {0x01, 0x05}},
        {300, {0x02, 0x01, 0x2C}},
        {0x7FFFFFFF, {0x04, 0x7F, 0xFF, 0xFF, 0xFF}},
        {0x1'0000'0000LL, {0x08, 0, 0, 0, 1, 0, 0, 0, 0}},
        {-1, {0x81, 0x01}},
        {-127, {0x81, 0x7F}},
        {-1403, {0x82, 0x05, 0x7B}},
    };
    for (const auto& c : cases) {
        ByteWriter w;
        w.SB8(c.value);
        EXPECT_EQ(w.Bytes(), c.bytes) << c.value;
        TrickleSource source(c.bytes);
        ByteReader r(source);
        EXPECT_EQ(r.SB8(), c.value);
        if (c.value >= 0 && c.value <= 0xFFFFFFFF) {
            ByteReader u(c.bytes);
            EXPECT_EQ(u.UB4(), static_cast<std::uint32_t>(c.value));
            EXPECT_TRUE(u.AtEnd());
        }
    }
}

TEST(TtcIntegers, OversizedOrNegativeUnsignedIsAProtocolError) {
    const Bytes tooLong = {0x05, 1, 2, 3, 4, 5}, negative = {0x81, 0x01}, cut = {0x04, 0x01};
    EXPECT_THROW(ByteReader(tooLong).UB4(), EOraProtocolError);
    EXPECT_THROW(ByteReader(negative).UB2(), EOraProtocolError);
    EXPECT_THROW(ByteReader(cut).UB4(), EOraProtocolError);
}

TEST(Clr, ShortLongNullAndLclrForms) {
    Bytes big(70000);
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>(i * 7);
    ByteWriter w;
    w.Clr(Bytes{1, 2, 3});
    w.Clr(big);
    w.U8(0xFF);  // NULL
    w.Lclr("AUTH_SESSKEY");
    w.Lclr("");
    const auto bytes = w.Bytes();
    // Long form: 0xFE, a 65536-byte chunk, then the rest, then a zero chunk length.
    EXPECT_EQ(bytes[4], kClrLongForm);
    EXPECT_EQ((Bytes{bytes[5], bytes[6], bytes[7], bytes[8]}), (Bytes{0x04, 0x00, 0x01, 0x00}));

    TrickleSource source(bytes);
    ByteReader r(source);
    EXPECT_EQ(r.Clr(), (Bytes{1, 2, 3}));
    EXPECT_EQ(r.Clr(), big);
    EXPECT_EQ(r.Clr(), std::nullopt);
    EXPECT_EQ(r.Lclr(), "AUTH_SESSKEY");
    EXPECT_EQ(r.Lclr(), "");
}

TEST(Clr, LongFormWithArbitraryChunksStreamsToSink) {
    const Bytes bytes = {0xFE, 0x01, 0x02, 'a', 'b', 0x01, 0x03, 'c', 'd', 'e', 0x00, 0x07};
    ByteReader r(bytes);
    std::string seen;
    EXPECT_TRUE(r.ClrTo([&](auto piece) { seen.append(piece.begin(), piece.end()); }));
    EXPECT_EQ(seen, "abcde");
    EXPECT_EQ(r.U8(), 0x07);
}

TEST(Clr, ChunkLongerThanDataIsCutShort) {
    const Bytes bytes = {0xFE, 0x04, 0x7F, 0xFF, 0xFF, 0xFF, 'x'};
    EXPECT_THROW(ByteReader(bytes).Clr(), EOraProtocolError);
}

TEST(Packets, ShortAndLongLengthForms) {
    const Bytes body = {1, 2, 3};
    const auto shortForm = BuildPacket(PacketType::Connect, 0x04, body, LengthForm::Short);
    EXPECT_EQ(shortForm, (Bytes{0x00, 0x0B, 0, 0, 0x01, 0x04, 0, 0, 1, 2, 3}));
    const auto eof = BuildDataPacket(kDataFlagEof, {}, LengthForm::Long);
    EXPECT_EQ(eof, (Bytes{0x00, 0x00, 0x00, 0x0A, 0x06, 0x00, 0x00, 0x00, 0x00, 0x40}));

    PacketAssembler a(LengthForm::Long);
    a.Feed(std::span(eof).first(5));
    EXPECT_FALSE(a.Next());
    a.Feed(std::span(eof).subspan(5));
    auto p = a.Next();
    ASSERT_TRUE(p);
    EXPECT_EQ(p->type, PacketType::Data);
    EXPECT_EQ(p->DataFlags(), kDataFlagEof);
    EXPECT_TRUE(p->DataPayload().empty());
}

TEST(Packets, SplitAtSduAndReassemble) {
    Bytes payload(1000);
    for (std::size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<std::uint8_t>(i);
    const auto packets = SplitIntoDataPackets(payload, 512, LengthForm::Long);
    ASSERT_EQ(packets.size(), 2u);
    EXPECT_EQ(packets[0].size(), 512u);
    PacketAssembler a(LengthForm::Long);
    Bytes joined;
    for (const auto& p : packets) a.Feed(p);
    while (auto p = a.Next()) joined.insert(joined.end(), p->DataPayload().begin(), p->DataPayload().end());
    EXPECT_EQ(joined, payload);
}

TEST(Packets, MalformedHeadersAreRejected) {
    PacketAssembler tooShort(LengthForm::Short);
    tooShort.Feed(Bytes{0x00, 0x04, 0, 0, 6, 0, 0, 0});
    EXPECT_THROW(tooShort.Next(), EOraProtocolError);
    PacketAssembler badType(LengthForm::Short);
    badType.Feed(Bytes{0x00, 0x08, 0, 0, 0x42, 0, 0, 0});
    EXPECT_THROW(badType.Next(), EOraProtocolError);
    PacketAssembler huge(LengthForm::Long);
    huge.Feed(Bytes{0x7F, 0xFF, 0xFF, 0xFF, 6, 0, 0, 0});
    EXPECT_THROW(huge.Next(), EOraProtocolError);
}

TEST(Number, KnownBytesBothWays) {
    struct Case {
        const char* text;
        Bytes bytes;
    };
    const std::vector<Case> cases = {
        {"0", {0x80}},
        {"1", {0xC1, 0x02}},
        {"-1", {0x3E, 0x64, 0x66}},
        {"99", {0xC1, 0x64}},
        {"100", {0xC2, 0x02}},
        {"101", {0xC2, 0x02, 0x02}},
        {"-100", {0x3D, 0x64, 0x66}},
        {"10000000", {0xC4, 0x0B}},
        {"2147483647", {0xC5, 0x16, 0x30, 0x31, 0x25, 0x30}},
        {"-2147483648", {0x3A, 0x50, 0x36, 0x35, 0x41, 0x35, 0x66}},
        {"4294967295", {0xC5, 0x2B, 0x5F, 0x61, 0x49, 0x60}},
        {"0.5", {0xC0, 0x33}},
        {"-0.5", {0x3F, 0x33, 0x66}},
        {"123.456", {0xC2, 0x02, 0x18, 0x2E, 0x3D}},
        {"-123.456", {0x3D, 0x64, 0x4E, 0x38, 0x29, 0x66}},
        {"0.00001", {0xBE, 0x0B}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(EncodeNumber(c.text), c.bytes) << c.text;
        EXPECT_EQ(DecodeNumber(c.bytes), c.text);
    }
}

TEST(Number, TextFormsNormaliseAndIntegersConvert) {
    EXPECT_EQ(DecodeNumber(EncodeNumber("+000120.500")), "120.5");
    EXPECT_EQ(DecodeNumber(EncodeNumber("1.5e-7")), "0.00000015");
    EXPECT_EQ(DecodeNumber(EncodeNumber("12E3")), "12000");
    EXPECT_EQ(DecodeNumber(EncodeNumber("-0")), "0");
    EXPECT_EQ(DecodeNumber(EncodeNumber(INT64_MIN)), "-9223372036854775808");
    EXPECT_EQ(NumberToInt64(EncodeNumber(INT64_MIN)), INT64_MIN);
    EXPECT_EQ(NumberToInt64(EncodeNumber(INT64_MAX)), INT64_MAX);
    EXPECT_EQ(NumberToInt64(EncodeNumber("9223372036854775808")), std::nullopt);
    EXPECT_EQ(NumberToInt64(EncodeNumber("7")), 7);
    EXPECT_EQ(NumberToInt64(EncodeNumber("-1000000")), -1000000);
    EXPECT_EQ(NumberToInt64(EncodeNumber("2.5")), std::nullopt);
    EXPECT_DOUBLE_EQ(NumberToDouble(EncodeNumber("3.14")), 3.14);
    for (const char* bad : {"", "-", "1.2.3", "12a", "1e", "1" "23456789012345678901234567890123456789012"}) {
        EXPECT_THROW(EncodeNumber(bad), toolkit::EConvertError) << bad;
    }
}

TEST(Number, MalformedBytesAreProtocolErrors) {
    for (const Bytes& bad : {Bytes{}, Bytes{0x80, 0x01}, Bytes{0xC1}, Bytes{0xC1, 0x00}, Bytes{0xC1, 0x66},
                             Bytes(23, 0xC1)}) {
        EXPECT_THROW(DecodeNumber(bad), EOraProtocolError);
    }
}

}  // namespace
}  // namespace oracle::wire
