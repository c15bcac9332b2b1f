// Stored forms of the device records: every field at its byte offset, pointer slots of 0 or 1, the image
// forms, and decoding back (short buffers, unterminated texts, foreign pointer values).
#include "filesystems/partitions/DeviceRecords.h"

#include "tests/support/MemoryDevice.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

uint64_t At(const uint8_t* bytes, size_t offset, int width)
{
    uint64_t v = 0;
    for (int i = width - 1; i >= 0; --i) v = v << 8 | bytes[offset + size_t(i)];
    return v;
}

template <size_t N>
std::string Text(const std::array<uint8_t, N>& bytes, size_t offset, size_t size)
{
    return std::string(reinterpret_cast<const char*>(bytes.data() + offset),
                       strnlen(reinterpret_cast<const char*>(bytes.data() + offset), size));
}

} // namespace

TEST(DeviceRecords, VolumeFormAtItsOffsets)
{
    testsupport::MemoryDevice window(1), disk1(1), disk2(1);
    VolumeDeviceRecord r;
    r.pDevice = &window;
    r.nDynamic = 1;
    r.nFileSystemKind = 5;
    r.cDriveLetter = 'K';
    std::strcpy(r.szLabel, "LABEL");
    r.bFloppy = 1;
    r.bUsb = 1;
    r.members[0] = {0x1122334455667788ull, 0x99AABBCCDDEEFF00ull, &disk1};
    r.members[1] = {2048, 4096, &disk2};
    r.members[31] = {7, 8, nullptr};
    std::strcpy(r.szMemberText, "disk one\ndisk two");

    const auto b = EncodeVolumeDeviceRecord(r);
    static_assert(sizeof(b) == 1277);
    EXPECT_EQ(At(b.data(), 0, 4), 0u);
    EXPECT_EQ(At(b.data(), 4, 4), 1u); // a pointer slot holds 1, never the address
    EXPECT_EQ(At(b.data(), 8, 4), 1u);
    EXPECT_EQ(At(b.data(), 12, 4), 5u);
    EXPECT_EQ(b[16], 'K');
    EXPECT_EQ(Text(b, 17, 100), "LABEL");
    EXPECT_EQ(At(b.data(), 117, 4), 1u);
    EXPECT_EQ(At(b.data(), 121, 4), 1u);
    EXPECT_EQ(At(b.data(), 125, 8), 0x1122334455667788ull);
    EXPECT_EQ(At(b.data(), 133, 8), 0x99AABBCCDDEEFF00ull);
    EXPECT_EQ(At(b.data(), 141, 4), 1u);
    EXPECT_EQ(At(b.data(), 145, 8), 2048u);
    EXPECT_EQ(At(b.data(), 153, 8), 4096u);
    EXPECT_EQ(At(b.data(), 161, 4), 1u);
    EXPECT_EQ(At(b.data(), 125 + 31 * 20, 8), 7u);
    EXPECT_EQ(At(b.data(), 125 + 31 * 20 + 16, 4), 0u);
    EXPECT_EQ(Text(b, 765, 512), "disk one\ndisk two");
    EXPECT_EQ(r.GetMemberCount(), 2);

    VolumeDeviceRecord back;
    StoredPointerSlots slots;
    ASSERT_TRUE(DecodeVolumeDeviceRecord(b, back, &slots));
    EXPECT_EQ(back.pDevice, nullptr);
    EXPECT_TRUE(slots.device);
    EXPECT_EQ(slots.MemberCount(), 2);
    EXPECT_EQ(back.GetMemberCount(), 0); // pointers stay unbound until a loader binds them
    EXPECT_EQ(back.nDynamic, 1u);
    EXPECT_EQ(back.nFileSystemKind, 5);
    EXPECT_EQ(back.cDriveLetter, 'K');
    EXPECT_STREQ(back.szLabel, "LABEL");
    EXPECT_EQ(back.bFloppy, 1u);
    EXPECT_EQ(back.bUsb, 1u);
    EXPECT_EQ(back.members[1].u64FirstSector, 2048u);
    EXPECT_EQ(back.members[31].u64SectorCount, 8u);
    EXPECT_STREQ(back.szMemberText, "disk one\ndisk two");
    // Bound again, the record encodes to the same bytes.
    back.pDevice = &window;
    back.members[0].pDisk = &disk1;
    back.members[1].pDisk = &disk2;
    EXPECT_EQ(EncodeVolumeDeviceRecord(back), b);
}

TEST(DeviceRecords, VolumeImageForm)
{
    testsupport::MemoryDevice image(1);
    VolumeDeviceRecord r;
    r.nKind = VolumeDeviceRecord::kKindImage;
    r.pDevice = &image;
    r.nImageNumber = 3;
    std::strcpy(r.szImageName, "backup.kxi FAT32");
    r.u64ImageSectorCount = 0x0102030405060708ull;
    std::strcpy(r.szImagePath, "/srv/images/backup.kxi");
    r.nImageFileSystemKind = 2;
    r.nFileSystemKind = 3; // a volume-form field: not part of this form
    const auto b = EncodeVolumeDeviceRecord(r);
    EXPECT_EQ(At(b.data(), 0, 4), 1u);
    EXPECT_EQ(At(b.data(), 4, 4), 1u);
    EXPECT_EQ(At(b.data(), 8, 4), 3u);
    EXPECT_EQ(Text(b, 12, 260), "backup.kxi FAT32");
    EXPECT_EQ(At(b.data(), 272, 8), 0x0102030405060708ull);
    EXPECT_EQ(Text(b, 280, 260), "/srv/images/backup.kxi");
    EXPECT_EQ(At(b.data(), 540, 4), 2u);
    for (size_t i = 544; i < b.size(); ++i) ASSERT_EQ(b[i], 0) << i;

    VolumeDeviceRecord back;
    ASSERT_TRUE(DecodeVolumeDeviceRecord(b, back));
    EXPECT_EQ(back.nKind, 1u);
    EXPECT_EQ(back.nImageNumber, 3u);
    EXPECT_STREQ(back.szImagePath, "/srv/images/backup.kxi");
    EXPECT_EQ(back.u64ImageSectorCount, 0x0102030405060708ull);
    EXPECT_EQ(back.nImageFileSystemKind, 2);
    EXPECT_EQ(back.nFileSystemKind, 0);
}

TEST(DeviceRecords, DiskFormsAtTheirOffsets)
{
    testsupport::MemoryDevice disk(1);
    DiskDeviceRecord r;
    r.pDevice = &disk;
    r.pDiskDevice = &disk;
    r.nHeads = 255;
    r.bUsb = 1;
    std::strcpy(r.szDescription, "ACME  Disk  USB Device");
    r.bDynamic = 1;
    const auto b = EncodeDiskDeviceRecord(r);
    static_assert(sizeof(b) == 548);
    EXPECT_EQ(At(b.data(), 0, 4), 0u);
    EXPECT_EQ(At(b.data(), 4, 4), 1u);
    EXPECT_EQ(At(b.data(), 8, 4), 255u);
    EXPECT_EQ(At(b.data(), 12, 4), 1u);
    EXPECT_EQ(At(b.data(), 16, 4), 1u);
    EXPECT_EQ(Text(b, 20, 50), "ACME  Disk  USB Device");
    EXPECT_EQ(At(b.data(), 70, 4), 1u);
    for (size_t i = 74; i < b.size(); ++i) ASSERT_EQ(b[i], 0) << i;

    DiskDeviceRecord back;
    StoredPointerSlots slots;
    ASSERT_TRUE(DecodeDiskDeviceRecord(b, back, &slots));
    EXPECT_TRUE(slots.device);
    EXPECT_TRUE(slots.diskDevice);
    EXPECT_EQ(back.nHeads, 255u);
    EXPECT_EQ(back.bUsb, 1u);
    EXPECT_EQ(back.bDynamic, 1u);
    EXPECT_STREQ(back.szDescription, "ACME  Disk  USB Device");

    DiskDeviceRecord image;
    image.nKind = DiskDeviceRecord::kKindImage;
    image.pDevice = &disk;
    image.nHeads = 240;
    image.nImageNumber = 2;
    std::strcpy(image.szImageName, "disk.kxi");
    image.u64ImageSectorCount = 123456789;
    std::strcpy(image.szImagePath, "/tmp/disk.kxi");
    const auto ib = EncodeDiskDeviceRecord(image);
    EXPECT_EQ(At(ib.data(), 0, 4), 1u);
    EXPECT_EQ(At(ib.data(), 8, 4), 240u);
    EXPECT_EQ(At(ib.data(), 12, 4), 2u);
    EXPECT_EQ(Text(ib, 16, 260), "disk.kxi");
    EXPECT_EQ(At(ib.data(), 276, 8), 123456789u);
    EXPECT_EQ(Text(ib, 284, 260), "/tmp/disk.kxi");
    EXPECT_EQ(At(ib.data(), 544, 4), 0u);
    ASSERT_TRUE(DecodeDiskDeviceRecord(ib, back));
    EXPECT_EQ(back.nImageNumber, 2u);
    EXPECT_STREQ(back.szImagePath, "/tmp/disk.kxi");
    EXPECT_EQ(back.u64ImageSectorCount, 123456789u);
}

// Records written by another program: pointer slots holding real 32-bit addresses, texts that fill their
// fields without a terminator, and buffers that are too short.
TEST(DeviceRecords, DecodingUntrustedBytes)
{
    std::array<uint8_t, 1277> v{};
    v[4] = 0x78, v[5] = 0x56, v[6] = 0x34, v[7] = 0x12;             // device 0x12345678
    std::memset(v.data() + 17, 'L', 100);                           // label without terminator
    for (size_t m = 0; m < 3; ++m) v[125 + m * 20 + 16 + 2] = 0x40; // disks at 0x00400000
    std::memset(v.data() + 765, 'T', 512);
    VolumeDeviceRecord rec;
    StoredPointerSlots slots;
    ASSERT_TRUE(DecodeVolumeDeviceRecord(v, rec, &slots));
    EXPECT_TRUE(slots.device);
    EXPECT_EQ(slots.MemberCount(), 3);
    EXPECT_EQ(std::strlen(rec.szLabel), 99u);
    EXPECT_EQ(std::strlen(rec.szMemberText), 511u);
    EXPECT_FALSE(DecodeVolumeDeviceRecord(std::span<const uint8_t>(v).first(1276), rec));

    std::array<uint8_t, 548> d{};
    std::memset(d.data() + 20, 'D', 50);
    DiskDeviceRecord disk;
    ASSERT_TRUE(DecodeDiskDeviceRecord(d, disk));
    EXPECT_EQ(std::strlen(disk.szDescription), 49u);
    EXPECT_FALSE(DecodeDiskDeviceRecord(std::span<const uint8_t>(d).first(547), disk));
}
