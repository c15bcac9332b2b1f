// Every signature test, one row per signature: a true header gives its type id (and header size), a near miss
// gives no match; plus the edges of the size rules and the key bytes the sector matcher relies on.
#include "raw/RawSignatures.h"

#include "core/CRecoverySettings.h"
#include "filesystems/tree/CRawFileInfo.h"
#include "raw/tests/RawTestSectors.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using rawtest::Sector;

struct Row {
    const char* name;
    RawSignature signature;
    std::function<void(Sector&)> build;
    int type;
    uint64_t size;
    // The near miss: one change to the true header.
    std::function<void(Sector&)> miss;
};

std::vector<Row> Rows()
{
    using namespace rawtest;
    return {
        {"3DS", RawSignature::ThreeDS, Make3ds, 1, 5000, [](Sector& s) { Le32(s, 18, 5001); }},
        {"3GP 3gp4", RawSignature::ThreeGP, [](Sector& s) { Put(s, 4, "ftyp3gp4"); }, 2, 0,
         [](Sector& s) { Put(s, 4, "ftyp3gq4"); }},
        {"3GP 3g2a, upper case", RawSignature::ThreeGP, [](Sector& s) { Put(s, 4, "FTYP3G2A"); }, 2, 0,
         [](Sector& s) { Put(s, 4, "ftyp3g3a"); }},
        {"ASF", RawSignature::ASF, MakeAsf, 6, 0, [](Sector& s) { s[15] = 0x6D; }},
        {"AU", RawSignature::AU, MakeAu, 7, 24 + 1000, [](Sector& s) { Be32(s, 4, 23); }},
        {"AU unknown length", RawSignature::AU, MakeAu, 7, 1024, [](Sector& s) { Be32(s, 8, 0xFFFFFFFF); }},
        {"BMP 40", RawSignature::BMP, MakeBmp, 9, 70000, [](Sector& s) { Le32(s, 14, 108); }},
        {"BMP 124", RawSignature::BMP,
         [](Sector& s) {
             MakeBmp(s);
             Le32(s, 14, 124);
         },
         9, 70000, [](Sector& s) { Le16(s, 6, 1); }},
        {"CAB", RawSignature::CAB, MakeCab, 10, 3000, [](Sector& s) { Le32(s, 4, 1); }},
        {"CAB version", RawSignature::CAB, MakeCab, 10, 3000, [](Sector& s) { Le16(s, 24, 0x0102); }},
        {"CHM", RawSignature::CHM, MakeChm, 12, 123456, [](Sector& s) { Le32(s, 100, 1); }},
        {"CHM second GUID", RawSignature::CHM, MakeChm, 12, 123456, [](Sector& s) { s[40] = 0x12; }},
        {"CHM second GUID written twice", RawSignature::CHM,
         [](Sector& s) {
             MakeChm(s);
             s[40] = 0x10;
         },
         12, 123456, [](Sector& s) { s[41] = 0xFE; }},
        {"CPT", RawSignature::CPT,
         [](Sector& s) {
             Put(s, 0, "CPT9FILE");
             Le32(s, 52, 316);
         },
         15, 0, [](Sector& s) { Le32(s, 52, 317); }},
        {"CRW", RawSignature::CRW, MakeCrw, 16, 0, [](Sector& s) { s[14] = 3; }},
        {"DBX", RawSignature::DBX, MakeDbx, 19, 9000, [](Sector& s) { s[4] = 0xC8; }},
        {"DBX folders", RawSignature::DBX,
         [](Sector& s) {
             Bytes(s, 0,
                   {0xCF, 0xAD, 0x12, 0xFE, 0x30, 0x9D, 0xFE, 0x26, 0x8F, 0x1A, 0xD2, 0x11, 0xAA, 0xBF, 0x00, 0x60});
             Le32(s, 124, 777);
         },
         19, 777, [](Sector& s) { s[15] = 0x61; }},
        {"DBX JMF6", RawSignature::DBX,
         [](Sector& s) {
             Bytes(s, 0, {0x4A, 0x4D, 0x46, 0x36, 3, 0, 0x10, 0});
             Le32(s, 124, 55);
         },
         19, 55, [](Sector& s) { s[4] = 4; }},
        {"DWG", RawSignature::DWG, [](Sector& s) { Put(s, 0, "AC1015"); }, 22, 0,
         [](Sector& s) { Put(s, 0, "AC1016"); }},
        {"DWG padding", RawSignature::DWG, [](Sector& s) { Put(s, 0, "AC1021"); }, 22, 0, [](Sector& s) { s[7] = 1; }},
        {"DXF", RawSignature::DXF, [](Sector& s) { Put(s, 0, "  0\r\nSECTION\r\n  2\r\nHEADER\r\n"); }, 23, 0,
         [](Sector& s) { s[25] = 'r'; }},
        {"EMF", RawSignature::EMF, MakeEmf, 24, 4000, [](Sector& s) { Le16(s, 58, 1); }},
        {"EMF empty", RawSignature::EMF, MakeEmf, 24, 4000, [](Sector& s) { Le32(s, 48, 0); }},
        {"EPS", RawSignature::EPS, MakeEps, 25, 1530, [](Sector& s) { s[29] = 0xFE; }},
        {"EPS TIFF first", RawSignature::EPS,
         [](Sector& s) {
             MakeEps(s);
             Bytes(s, 30, {'I', 'I'});
             Le32(s, 4, 530), Le32(s, 8, 2000), Le32(s, 20, 30), Le32(s, 24, 500);
         },
         25, 2530,
         [](Sector& s) {
             Bytes(s, 30, {'I', 'J'});
         }},
        {"FH11", RawSignature::FH11, MakeFh11, 27, 0, [](Sector& s) { Le16(s, 34, 0x3031); }},
        {"GIF", RawSignature::GIF, [](Sector& s) { Put(s, 0, "GIF89a"); }, 28, 0,
         [](Sector& s) { Put(s, 0, "GIF88a"); }},
        {"GZ", RawSignature::GZ,
         [](Sector& s) {
             Bytes(s, 0, {0x1F, 0x8B, 0x08});
         },
         29, 0, [](Sector& s) { s[2] = 7; }},
        {"HLP", RawSignature::HLP, MakeHlp, 30, 4096, [](Sector& s) { Le32(s, 12, 511); }},
        {"HLP shorter than its directory", RawSignature::HLP, MakeHlp, 30, 4096, [](Sector& s) { Le32(s, 4, 4097); }},
        {"HTM", RawSignature::HTM, [](Sector& s) { Put(s, 0, "<HtMl><body>"); }, 31, 0,
         [](Sector& s) { Put(s, 0, "<HtMm>"); }},
        {"HTM doctype", RawSignature::HTM, [](Sector& s) { Put(s, 0, "<!doctype html>"); }, 31, 0,
         [](Sector& s) { Put(s, 0, "<!doctype htm>"); }},
        {"HTM after a comment", RawSignature::HTM,
         [](Sector& s) {
             Put(s, 0, "<!-- x -->");
             Put(s, 504, "<html>");
         },
         31, 0,
         [](Sector& s) {
             Put(s, 504, "xxxxxxx");
             Put(s, 505, "<html>");
         }},
        {"ICO", RawSignature::ICO, MakeIco, 32, 6 + 16 + 1128, [](Sector& s) { s[6 + 3] = 1; }},
        {"CUR", RawSignature::ICO,
         [](Sector& s) {
             MakeIco(s);
             s[2] = 2;
         },
         18, 6 + 16 + 1128, [](Sector& s) { s[2] = 3; }},
        {"ICO too many", RawSignature::ICO, MakeIco, 32, 1150, [](Sector& s) { Le16(s, 4, 17); }},
        {"JPG JFIF", RawSignature::JPG,
         [](Sector& s) {
             Bytes(s, 0, {0xFF, 0xD8, 0xFF, 0xE0, 0, 16});
             Put(s, 6, "JFIF");
         },
         33, 0, [](Sector& s) { Put(s, 6, "JFIX"); }},
        {"JPG Exif", RawSignature::JPG,
         [](Sector& s) {
             Bytes(s, 0, {0xFF, 0xD8, 0xFF, 0xE1, 0x20, 0});
             Put(s, 6, "exif");
         },
         33, 0, [](Sector& s) { s[3] = 0xE2; }},
        {"JPG tables first", RawSignature::JPG,
         [](Sector& s) {
             Bytes(s, 0, {0xFF, 0xD8, 0xFF, 0xDB});
         },
         33, 0, [](Sector& s) { s[1] = 0xD9; }},
        {"LowDoc", RawSignature::LowDoc,
         [](Sector& s) {
             Bytes(s, 0, {0xDB, 0xA5, 0x2D, 0x00});
         },
         21, 0, [](Sector& s) { s[3] = 1; }},
        {"LowDoc compound", RawSignature::LowDoc,
         [](Sector& s) {
             Bytes(s, 0, {0xD0, 0xCF, 0x11, 0xE0});
         },
         21, 0, [](Sector& s) { s[3] = 0xE1; }},
        {"LZH", RawSignature::LZH,
         [](Sector& s) {
             Bytes(s, 0, {0x20, 0x5A});
             Put(s, 2, "-lh5-");
         },
         34, 0, [](Sector& s) { Put(s, 2, "-lh6-"); }},
        {"MDB", RawSignature::MDB,
         [](Sector& s) {
             Bytes(s, 0, {0, 1, 0, 0});
             Put(s, 4, "Standard Jet DB");
         },
         37, 0, [](Sector& s) { Put(s, 4, "Standard Jet DC"); }},
        {"ACCDB", RawSignature::MDB,
         [](Sector& s) {
             Bytes(s, 0, {0, 1, 0, 0});
             Put(s, 4, "Standard ACE DB");
         },
         72, 0, [](Sector& s) { s[19] = 1; }},
        {"MID", RawSignature::MID, MakeMid, 36, 0, [](Sector& s) { Be16(s, 8, 3); }},
        {"MID no tracks", RawSignature::MID, MakeMid, 36, 0, [](Sector& s) { Be16(s, 10, 0); }},
        {"MNY", RawSignature::MNY,
         [](Sector& s) {
             Bytes(s, 0, {0, 1, 0, 0});
             Put(s, 4, "MSISAM Database");
         },
         38, 1048576, [](Sector& s) { s[18] = 'f'; }},
        {"MOV", RawSignature::MOV,
         [](Sector& s) {
             Be32(s, 0, 20);
             Put(s, 4, "ftypqt  ");
         },
         40, 0, [](Sector& s) { Put(s, 4, "ftypisom"); }},
        {"MOV other brand", RawSignature::MOV,
         [](Sector& s) {
             Be32(s, 0, 20);
             Put(s, 4, "ftypheic");
         },
         40, 0, [](Sector& s) { Put(s, 4, "FTYPheic"); }},
        {"MOV 3gp brand", RawSignature::MOV,
         [](Sector& s) {
             Be32(s, 0, 20);
             Put(s, 4, "ftypcrx ");
         },
         40, 0, [](Sector& s) { Put(s, 4, "ftyp3gp5"); }},
        {"MP3", RawSignature::MP3,
         [](Sector& s) {
             Put(s, 0, "ID3");
             s[3] = 4;
         },
         41, 0, [](Sector& s) { s[3] = 2; }},
        {"MP4 isom", RawSignature::MP4,
         [](Sector& s) {
             Be32(s, 0, 32);
             Put(s, 4, "ftypisom");
         },
         42, 0, [](Sector& s) { Put(s, 4, "ftypqt  "); }},
        {"MP4 mp41", RawSignature::MP4,
         [](Sector& s) {
             Be32(s, 0, 32);
             Put(s, 4, "ftypmp41");
         },
         42, 0, [](Sector& s) { Put(s, 4, "ftypmp43"); }},
        {"MP4 upper case", RawSignature::MP4,
         [](Sector& s) {
             Be32(s, 0, 32);
             Put(s, 4, "FTYPMP42");
         },
         42, 0, [](Sector& s) { Put(s, 4, "FTYQMP42"); }},
        {"M4V", RawSignature::MP4,
         [](Sector& s) {
             Be32(s, 0, 32);
             Put(s, 4, "ftypM4V ");
         },
         42, 0, [](Sector& s) { Put(s, 4, "ftypM4V_"); }},
        {"OLE", RawSignature::OLE, MakeOle, 44, 0, [](Sector& s) { s[7] = 0xE2; }},
        {"ONE", RawSignature::ONE, MakeOne, 45, 20000, [](Sector& s) { s[15] = 0xD4; }},
        {"PDF", RawSignature::PDF, [](Sector& s) { Put(s, 0, "%PDF-1.4"); }, 46, 0, [](Sector& s) { s[4] = ' '; }},
        {"PNG", RawSignature::PNG,
         [](Sector& s) {
             Bytes(s, 0, {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A});
         },
         47, 0, [](Sector& s) { s[7] = 0x0B; }},
        {"PSD", RawSignature::PSD, [](Sector& s) { Put(s, 0, "8BPS"); }, 50, 0, [](Sector& s) { s[3] = 'T'; }},
        {"PSP", RawSignature::PSP, [](Sector& s) { Put(s, 0, "Paint Shop Pro Image File\n\x1A"); }, 51, 0,
         [](Sector& s) { s[26] = 0x1B; }},
        {"PST Unicode", RawSignature::PST, MakePst, 52, 300000, [](Sector& s) { s[3] = 'M'; }},
        {"RAR", RawSignature::RAR,
         [](Sector& s) {
             Bytes(s, 0, {'R', 'a', 'r', '!', 0x1A, 0x07, 0x00});
         },
         54, 0, [](Sector& s) { s[6] = 1; }},
        {"WAV", RawSignature::RIFF, [](Sector& s) { MakeRiff(s, "WAVEfmt "); }, 63, 1008,
         [](Sector& s) { s[3] = 'X'; }},
        {"AVI", RawSignature::RIFF, [](Sector& s) { MakeRiff(s, "AVI LIST"); }, 8, 1008, [](Sector& s) { s[0] = 'r'; }},
        {"ANI", RawSignature::RIFF, [](Sector& s) { MakeRiff(s, "ACONanih"); }, 4, 1008, [](Sector& s) { s[1] = 'J'; }},
        {"CMX", RawSignature::RIFF,
         [](Sector& s) {
             MakeRiff(s, "CMX1");
             Put(s, 20, "{Corel Binary Meta File}");
         },
         14, 1008, [](Sector& s) { s[2] = 'G'; }},
        {"CLK", RawSignature::RIFF, [](Sector& s) { MakeRiff(s, "CARCvrsn"); }, 13, 1008,
         [](Sector& s) { s[0] = 'S'; }},
        {"CSL", RawSignature::RIFF, [](Sector& s) { MakeRiff(s, "csl2VRSN"); }, 17, 1008,
         [](Sector& s) { s[3] = 'G'; }},
        {"CDR", RawSignature::RIFF, [](Sector& s) { MakeRiff(s, "cdrcvrsn"); }, 11, 1008,
         [](Sector& s) { s[3] = 'G'; }},
        {"RIFF other form", RawSignature::RIFF, [](Sector& s) { MakeRiff(s, "WEBPVP8 "); }, 55, 1008,
         [](Sector& s) { Put(s, 0, "RIFX"); }},
        {"RTF", RawSignature::RTF, [](Sector& s) { Put(s, 0, "{\\rtf1\\ansi"); }, 56, 0, [](Sector& s) { s[4] = 'g'; }},
        {"SWF", RawSignature::SWF,
         [](Sector& s) {
             Put(s, 0, "FWS\x09");
             Le32(s, 4, 7777);
         },
         58, 7777, [](Sector& s) { s[0] = 'Z'; }},
        {"SWF compressed", RawSignature::SWF,
         [](Sector& s) {
             Put(s, 0, "CWS\x0A");
             Le32(s, 4, 7777);
         },
         58, 7777, [](Sector& s) { s[1] = 'V'; }},
        {"TAR", RawSignature::TAR,
         [](Sector& s) {
             Put(s, 0, "name.txt");
             Put(s, 257, "ustar");
         },
         59, 0, [](Sector& s) { s[261] = 'R'; }},
        {"TIF II", RawSignature::TIF,
         [](Sector& s) {
             Bytes(s, 0, {'I', 'I', 0x2A, 0});
         },
         60, 0, [](Sector& s) { s[2] = 0x2B; }},
        {"TIF MM", RawSignature::TIF,
         [](Sector& s) {
             Bytes(s, 0, {'M', 'M', 0, 0x2A});
         },
         60, 0, [](Sector& s) { s[0] = 'I'; }},
        {"TTF", RawSignature::TTF, [](Sector& s) { MakeTtf(s); }, 61, 12 + 4 * 16 + 100 + 56 + 8 + 36,
         [](Sector& s) { Put(s, 12 + 16, "hhex"); }},
        {"TTF too many tables", RawSignature::TTF, [](Sector& s) { MakeTtf(s); }, 61, 276,
         [](Sector& s) { Be16(s, 4, 32); }},
        {"UnicodeHTM", RawSignature::UnicodeHTM,
         [](Sector& s) {
             Bytes(s, 0, {0xFF, 0xFE, 0x3C, 0x00});
         },
         31, 0, [](Sector& s) { s[2] = 0x3D; }},
        {"WMF", RawSignature::WMF, MakeWmf, 66, 1000, [](Sector& s) { Le16(s, 16, 1); }},
        {"WMF placeable", RawSignature::WMF, [](Sector& s) { MakePlaceableWmf(s); }, 66, 22 + 2 * 600,
         [](Sector& s) { s[20] ^= 1; }},
        {"WPD", RawSignature::WPD,
         [](Sector& s) {
             MakeWpd(s, {1, 0x0A, 2, 1}, {0, 2, 5, 0});
         },
         64, 6000, [](Sector& s) { s[11] = 2; }},
        {"WPG", RawSignature::WPD,
         [](Sector& s) {
             MakeWpd(s, {1, 0x16, 2, 0}, {0, 0, 3, 0});
         },
         65, 6000, [](Sector& s) { s[16] = 4; }},
        {"SHW", RawSignature::WPD,
         [](Sector& s) {
             MakeWpd(s, {0x0F, 0x0F, 1, 0}, {0, 0, 3, 0});
         },
         57, 6000, [](Sector& s) { s[0] = 0xFE; }},
        {"ZIP", RawSignature::ZIP,
         [](Sector& s) {
             Bytes(s, 0, {'P', 'K', 3, 4});
         },
         68, 0, [](Sector& s) { s[2] = 5; }},
    };
}

class RawSignaturesTest : public ::testing::Test {
protected:
    void TearDown() override { GetRecoverySettings()->m_maxRawFileSize = CRecoverySettings::kDefaultMaxRawFileSize; }
};

TEST_F(RawSignaturesTest, TrueHeadersMatchAndNearMissesDoNot)
{
    std::vector<bool> covered(kRawSignatureCount);
    for (const Row& row : Rows()) {
        SCOPED_TRACE(row.name);
        Sector s{};
        row.build(s);
        CRawFileInfo hit;
        ASSERT_EQ(MatchRawSignature(row.signature, s.data(), &hit), 1);
        EXPECT_EQ(hit.GetFileType(), row.type);
        EXPECT_EQ(hit.GetSize(), row.size);
        covered[size_t(row.signature)] = true;

        // The sector matcher asks a signature only when its key byte fits.
        const RawSignatureKey& key = GetRawSignatureKey(row.signature);
        bool fits = false;
        for (uint8_t v = 0; v < key.count; ++v) fits |= s[key.offset] == key.values[v];
        EXPECT_TRUE(fits) << "key byte " << int(s[key.offset]) << " at " << key.offset;

        row.miss(s);
        CRawFileInfo untouched;
        untouched.SetFileType(7);
        untouched.SetSize(99);
        EXPECT_EQ(MatchRawSignature(row.signature, s.data(), &untouched), 0);
        EXPECT_EQ(untouched.GetFileType(), 7);
        EXPECT_EQ(untouched.GetSize(), 99u);
    }
    for (size_t i = 1; i < kRawSignatureCount; ++i)
        EXPECT_TRUE(covered[i]) << GetRawSignatureName(RawSignature(i)) << " has no row";
}

TEST_F(RawSignaturesTest, BrandDecidesBetweenMovMp4And3gp)
{
    const struct {
        const char* ftyp;
        RawSignature winner;
    } cases[] = {{"ftypisom", RawSignature::MP4},
                 {"ftypiso2", RawSignature::MP4},
                 {"ftypmp42", RawSignature::MP4},
                 {"ftypM4V ", RawSignature::MP4},
                 {"ftypqt  ", RawSignature::MOV},
                 {"ftyp3gp4", RawSignature::ThreeGP},
                 {"ftyp3g2a", RawSignature::ThreeGP},
                 {"ftypcrx ", RawSignature::MOV},
                 // Every brand of the ISO base media family goes to the MP4 walk, fragmented ones included.
                 {"ftypiso5", RawSignature::MP4},
                 {"ftypiso6", RawSignature::MP4},
                 {"ftypdash", RawSignature::MP4},
                 {"ftypavc1", RawSignature::MP4},
                 {"ftypM4A ", RawSignature::MP4},
                 {"ftypM4B ", RawSignature::MP4},
                 {"ftypf4v ", RawSignature::MP4},
                 {"ftypmp41", RawSignature::MP4},
                 {"ftypiso1", RawSignature::MOV},
                 {"ftypisoa", RawSignature::MOV}};
    for (const auto& c : cases) {
        Sector s{};
        rawtest::Be32(s, 0, 24);
        rawtest::Put(s, 4, c.ftyp);
        int matches = 0;
        for (RawSignature sig : {RawSignature::MOV, RawSignature::MP4, RawSignature::ThreeGP}) {
            const bool m = MatchRawSignature(sig, s.data(), nullptr) == 1;
            matches += m;
            EXPECT_EQ(m, sig == c.winner) << c.ftyp << " " << GetRawSignatureName(sig);
        }
        EXPECT_EQ(matches, 1) << c.ftyp;
    }
}

TEST_F(RawSignaturesTest, SizeEdges)
{
    using namespace rawtest;
    struct Edge {
        const char* name;
        RawSignature signature;
        std::function<void(Sector&)> build;
        bool matches;
        uint64_t size;
    };
    const Edge edges[] = {
        {"icon of exactly 1 MiB", RawSignature::ICO,
         [](Sector& s) {
             MakeIco(s);
             Le32(s, 6 + 8, 1048576 - 22);
         },
         true, 1048576},
        {"icon one byte larger", RawSignature::ICO,
         [](Sector& s) {
             MakeIco(s);
             Le32(s, 6 + 8, 1048576 - 21);
         },
         false, 0},
        {"icon entry above 10 MiB", RawSignature::ICO,
         [](Sector& s) {
             MakeIco(s);
             Le32(s, 6 + 12, 10485761);
         },
         false, 0},
        {"TTF half the tags known", RawSignature::TTF, [](Sector& s) { MakeTtf(s, 10, 5); }, true, 12 + 160 + 10 * 4},
        {"TTF fewer than half", RawSignature::TTF, [](Sector& s) { MakeTtf(s, 10, 4); }, false, 0},
        {"PST ANSI", RawSignature::PST,
         [](Sector& s) {
             MakePst(s);
             s[10] = 14;
             Le32(s, 168, 12345);
         },
         true, 12345},
        {"PST other version", RawSignature::PST,
         [](Sector& s) {
             MakePst(s);
             s[10] = 15;
         },
         true, 1048576},
        {"PST Unicode past 4 GiB", RawSignature::PST,
         [](Sector& s) {
             MakePst(s);
             Le64(s, 184, 0x100000010ull);
         },
         true, 0x100000010ull},
        {"ONE length 0", RawSignature::ONE,
         [](Sector& s) {
             MakeOne(s);
             Le32(s, 196, 0);
         },
         true, 3145728},
        {"ONE length above 1 GiB", RawSignature::ONE,
         [](Sector& s) {
             MakeOne(s);
             Le32(s, 196, 1073741825);
         },
         true, 3145728},
        {"ONE length 1 GiB", RawSignature::ONE,
         [](Sector& s) {
             MakeOne(s);
             Le32(s, 196, 1073741824);
         },
         true, 1073741824},
        {"CHM claims 2^60", RawSignature::CHM,
         [](Sector& s) {
             MakeChm(s);
             Le64(s, 104, 1ull << 60);
         },
         true, 1ull << 60},
        {"RIFF length wraps past 32 bits", RawSignature::RIFF,
         [](Sector& s) {
             MakeRiff(s, "WAVEfmt ");
             Le32(s, 4, 0xFFFFFFFF);
         },
         true, 0xFFFFFFFFull + 8},
        {"WMF placeable, large", RawSignature::WMF, [](Sector& s) { MakePlaceableWmf(s, 0xFFFFFFFF); }, true,
         22 + 2 * 0xFFFFFFFFull},
        {"EPS no parts", RawSignature::EPS,
         [](Sector& s) {
             MakeEps(s);
             for (int at = 4; at < 28; ++at) s[at] = 0;
         },
         true, 0},
    };
    for (const Edge& e : edges) {
        Sector s{};
        e.build(s);
        RawSignatureMatch found;
        EXPECT_EQ(DecodeRawSignature(e.signature, s, found), e.matches) << e.name;
        if (e.matches) {
            EXPECT_EQ(found.size, e.size) << e.name;
        }
    }
}

TEST_F(RawSignaturesTest, HeaderSizesAreCappedByTheOption)
{
    GetRecoverySettings()->m_maxRawFileSize = 1000;
    Sector s{};
    rawtest::MakeBmp(s);
    CRawFileInfo hit;
    ASSERT_EQ(MatchRawSignature(RawSignature::BMP, s.data(), &hit), 1);
    EXPECT_EQ(hit.GetSize(), 1000u);
    rawtest::MakeChm(s);
    rawtest::Le64(s, 104, UINT64_MAX);
    ASSERT_EQ(MatchRawSignature(RawSignature::CHM, s.data(), &hit), 1);
    EXPECT_EQ(hit.GetSize(), 1000u);
}

TEST_F(RawSignaturesTest, NoneAndShortSpansNeverMatch)
{
    Sector s{};
    rawtest::Bytes(s, 0, {'P', 'K', 3, 4});
    RawSignatureMatch found;
    EXPECT_FALSE(DecodeRawSignature(RawSignature::None, s, found));
    EXPECT_FALSE(DecodeRawSignature(RawSignature::ZIP, std::span<const uint8_t>(s.data(), 511), found));
    EXPECT_EQ(MatchRawSignature(RawSignature::ZIP, nullptr, nullptr), 0);
    EXPECT_FALSE(DecodeRawSignature(RawSignature(200), s, found));
}

} // namespace
