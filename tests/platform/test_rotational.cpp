// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "platform/RotationalStorage.h"
#include "tests/support/TempTree.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace
{

// A sysfs of our own: a spinning disk with partitions, a solid-state one, a
// device-mapper volume over each, and a device the kernel says nothing of.
class FakeSysfs : public ::testing::Test
{
protected:
    TempTree sys;
    void SetUp() override
    {
        disk("devices/pci/block/sda", "1");
        sys.write("devices/pci/block/sda/sda1/partition", "1\n");
        sys.write("devices/pci/block/sda/sda2/partition", "2\n");
        disk("devices/pci/block/nvme0n1", "0");
        sys.write("devices/pci/block/nvme0n1/nvme0n1p1/partition", "1\n");
        disk("devices/virtual/block/dm-0", "0"); // as some kernels report a volume over a spinning disk
        sys.mkdir("devices/virtual/block/dm-0/slaves");
        sys.symlink("../../../../pci/block/sda/sda2", "devices/virtual/block/dm-0/slaves/sda2");
        disk("devices/virtual/block/dm-1", "0");
        sys.mkdir("devices/virtual/block/dm-1/slaves");
        sys.symlink("../../../../pci/block/nvme0n1/nvme0n1p1", "devices/virtual/block/dm-1/slaves/nvme0n1p1");
        disk("devices/virtual/block/loop0", "1");
        sys.write("devices/virtual/block/loop0/loop0p1/partition", "1\n");
        sys.mkdir("devices/virtual/block/zram0");   // no queue flags at all
        disk("devices/pci/virtio1/block/vda", "1"); // the default a virtual disk's driver leaves
        sys.mkdir("bus/virtio/drivers/virtio_blk");
        sys.symlink("../../../../../../bus/virtio/drivers/virtio_blk", "devices/pci/virtio1/block/vda/device/driver");
        sys.write("devices/pci/virtio1/block/vda/vda1/partition", "1\n");
        link(8, 0, "pci/block/sda");
        link(8, 1, "pci/block/sda/sda1");
        link(259, 0, "pci/block/nvme0n1");
        link(259, 1, "pci/block/nvme0n1/nvme0n1p1");
        link(254, 0, "virtual/block/dm-0");
        link(254, 1, "virtual/block/dm-1");
        link(7, 0, "virtual/block/loop0");
        link(7, 1, "virtual/block/loop0/loop0p1");
        link(253, 0, "virtual/block/zram0");
        link(252, 0, "pci/virtio1/block/vda");
        link(252, 1, "pci/virtio1/block/vda/vda1");
    }
    void disk(const std::string &folder, const char *rotational)
    {
        sys.write(folder + "/queue/rotational", std::string(rotational) + "\n");
    }
    void link(unsigned maj, unsigned min, const std::string &to)
    {
        sys.symlink("../../devices/" + to, "dev/block/" + std::to_string(maj) + ":" + std::to_string(min));
    }
    bool spins(unsigned maj, unsigned min) { return IsRotationalDevice(makedev(maj, min), sys.root()); }
};

} // namespace

TEST_F(FakeSysfs, PartitionsAndStackedDevicesAnswerForWhatLiesUnderThem)
{
    EXPECT_TRUE(spins(8, 0));
    EXPECT_TRUE(spins(8, 1));
    EXPECT_TRUE(spins(254, 0));
    EXPECT_TRUE(spins(7, 1));
    EXPECT_FALSE(spins(259, 0));
    EXPECT_FALSE(spins(259, 1));
    EXPECT_FALSE(spins(254, 1));
    EXPECT_FALSE(spins(253, 0)); // unknown counts as not spinning
    EXPECT_FALSE(spins(252, 1)); // nor does a virtual disk, whatever its flag
    EXPECT_FALSE(spins(9, 9));   // a device sysfs does not list (a FUSE or network file system)

    // Flash is told from a device nobody speaks for.
    const auto rotation = [&](unsigned maj, unsigned min) { return RotationOf(makedev(maj, min), sys.root()); };
    EXPECT_EQ(rotation(259, 1), DeviceRotation::Still);
    EXPECT_EQ(rotation(254, 1), DeviceRotation::Still);
    EXPECT_EQ(rotation(254, 0), DeviceRotation::Spins);
    EXPECT_EQ(rotation(253, 0), DeviceRotation::Unknown);
    EXPECT_EQ(rotation(252, 1), DeviceRotation::Unknown);
    EXPECT_EQ(rotation(9, 9), DeviceRotation::Unknown);
}

namespace
{

// A loop device set up over a real file, its flag copied as "spins" from a
// virtual disk, and the device holding the file given the flag under test.
DeviceRotation LoopOverFileOn(const std::string &backingDisk, bool removeBackingFile = false)
{
    TempTree files;
    const std::string image = files.write("disk.img", "image");
    struct stat st;
    EXPECT_EQ(::stat(image.c_str(), &st), 0);
    TempTree sys;
    sys.write("devices/pci/block/sdb/queue/rotational", backingDisk == "virtio" ? "1\n" : backingDisk + "\n");
    if (backingDisk == "virtio") {
        sys.mkdir("bus/virtio/drivers/virtio_blk");
        sys.symlink("../../../../../bus/virtio/drivers/virtio_blk", "devices/pci/block/sdb/device/driver");
    }
    sys.write("devices/virtual/block/loop5/queue/rotational", "1\n");
    sys.write("devices/virtual/block/loop5/loop/backing_file", image + "\n");
    sys.write("devices/virtual/block/loop5/loop5p1/partition", "1\n");
    const auto link = [&](std::uint64_t device, const std::string &to) {
        sys.symlink("../../devices/" + to,
                    "dev/block/" + std::to_string(major(device)) + ":" + std::to_string(minor(device)));
    };
    link(st.st_dev, "pci/block/sdb");
    link(makedev(7, 5), "virtual/block/loop5");
    link(makedev(259, 77), "virtual/block/loop5/loop5p1");
    if (removeBackingFile)
        ::unlink(image.c_str());
    const DeviceRotation whole = RotationOf(makedev(7, 5), sys.root());
    EXPECT_EQ(RotationOf(makedev(259, 77), sys.root()), whole) << "a partition answers as its loop device";
    return whole;
}

} // namespace

TEST(LoopDevice, AnswersAsTheDeviceHoldingItsBackingFile)
{
    EXPECT_EQ(LoopOverFileOn("0"), DeviceRotation::Still);
    EXPECT_EQ(LoopOverFileOn("1"), DeviceRotation::Spins);
    EXPECT_EQ(LoopOverFileOn("virtio"), DeviceRotation::Unknown);  // its own "spins" is only copied
    EXPECT_EQ(LoopOverFileOn("1", true), DeviceRotation::Unknown); // the file is gone: nobody says
}
