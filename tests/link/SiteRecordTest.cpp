// The record layout: what the readout stores reads back field by field, bounded to the record.

#include <gtest/gtest.h>

#include <cstring>

#include "JobSlot.h"
#include "LittleEndian.h"
#include "ReadoutSiteRecord.h"
#include "SharedSettings.h"

namespace q417 {
namespace {

TEST(SiteRecordTest, WriteThenReadKeepsEveryField) {
    RecordImage image;
    ReadoutSiteRecord record;
    record.name = "Well 17 north";
    record.readingCount = 3;
    record.referenceValue = 12.5f;
    record.referenceTime = 0xFEDCBA98u;  // past 2^31: time stamps are unsigned
    for (int i = 0; i < 20; ++i) {
        record.readings[static_cast<std::size_t>(i)] = {static_cast<float>(i) * 0.5f,
                                                        static_cast<std::uint32_t>(1000 + i)};
    }
    image.Record(199)[22] = 0x5A;
    record.Write(image, 199);
    EXPECT_EQ(image.Record(199)[22], 0x5A);  // left alone
    const ReadoutSiteRecord back = ReadoutSiteRecord::Read(image, 199);
    EXPECT_EQ(back.name, record.name);
    EXPECT_EQ(back.readingCount, 3);
    EXPECT_EQ(back.referenceValue, 12.5f);
    EXPECT_EQ(back.referenceTime, 0xFEDCBA98u);
    EXPECT_EQ(back.readings[19].value, 9.5f);
    EXPECT_EQ(back.readings[19].time, 1019u);
    // Byte layout: name, count at 21, reference at 24 and 28, readings from 32.
    const std::uint8_t* r = image.Record(199);
    EXPECT_EQ(std::memcmp(r, "Well 17 north\0", 14), 0);
    EXPECT_EQ(r[21], 3);
    EXPECT_EQ(LoadF32(r + 24), 12.5f);
    EXPECT_EQ(LoadU32(r + 32 + 8 * 19 + 4), 1019u);
}

TEST(SiteRecordTest, WhatTheReadoutSendsStaysInsideTheRecord) {
    RecordImage image;
    image.bytes.fill(0x41);  // no zero anywhere, every count 0x41
    const ReadoutSiteRecord record = ReadoutSiteRecord::Read(image, 0);
    EXPECT_EQ(record.name, std::string(20, 'A'));
    EXPECT_EQ(record.readingCount, 20);
}

TEST(SiteRecordTest, LongNamesAreCutToTwentyAndCountsClamped) {
    RecordImage image;
    image.bytes.fill(0xFF);
    ReadoutSiteRecord::WriteName(image, 4, "A name of twenty-five ch");
    EXPECT_EQ(ReadoutSiteRecord::Read(image, 4).name, "A name of twenty-fiv");
    EXPECT_EQ(image.Record(4)[20], 0);
    EXPECT_EQ(image.Record(4)[21], 0xFF);  // the count is not touched by the name
    ReadoutSiteRecord::WriteName(image, 4, "short");
    EXPECT_EQ(image.Record(4)[6], 0);  // padded with zeros, no old characters left
    ReadoutSiteRecord::WriteReadingCount(image, 4, 35);
    EXPECT_EQ(image.Record(4)[21], 20);
    ReadoutSiteRecord::WriteReadingCount(image, 4, -2);
    EXPECT_EQ(image.Record(4)[21], 0);
}

TEST(SharedSettingsTest, StoredRecordsArePublishedAsANewImage) {
    SharedSettings shared;
    RecordImage source;
    source.bytes.fill(7);
    shared.StoreRecords(2, 1, source);
    const ReadoutSettings first = shared.Snapshot();
    ASSERT_TRUE(first.records);
    EXPECT_EQ(first.records->Record(2)[0], 7);
    EXPECT_EQ(first.records->Record(1)[191], 0);
    EXPECT_EQ(first.records->Record(3)[0], 0);
    source.bytes.fill(9);
    shared.StoreRecords(3, 1, source);
    // The earlier copy is unchanged: readers hold an image nobody writes to.
    EXPECT_EQ(first.records->Record(3)[0], 0);
    const ReadoutSettings second = shared.Snapshot();
    EXPECT_EQ(second.records->Record(2)[0], 7);
    EXPECT_EQ(second.records->Record(3)[0], 9);
    shared.StoreRecords(199, 5, source);  // runs past the image: cut at record 199
    EXPECT_EQ(shared.Snapshot().records->Record(199)[191], 9);
}

TEST(JobSlotTest, OneJobAtATimeAndOnlyWhileOpen) {
    JobSlot slot;
    EXPECT_FALSE(slot.Submit({JOB_DOWNLOAD, 1, {}, 0, {}}));  // closed: the link is not running
    EXPECT_FALSE(slot.Pending());
    slot.Open();
    EXPECT_TRUE(slot.Submit({JOB_DOWNLOAD, 1, {}, 0, {}}));
    EXPECT_FALSE(slot.Submit({JOB_UPLOAD, 2, {}, 0, {}}));  // dropped, not queued
    ASSERT_TRUE(slot.Pending());
    EXPECT_EQ(slot.Pending()->code, JOB_DOWNLOAD);
    EXPECT_EQ(slot.Pending()->requester, 1u);
    // Still busy while the worker acts on it.
    EXPECT_FALSE(slot.Submit({JOB_UPLOAD, 2, {}, 0, {}}));
    slot.Finish();
    EXPECT_FALSE(slot.Pending());
    ReadoutSettings request;
    request.multiplier = 3.0f;
    EXPECT_TRUE(slot.Submit({JOB_WRITE_SETTINGS, 3, request, SET_MULTIPLIER, {}}));
    request.multiplier = 4.0f;  // the requester's later change does not reach the job
    EXPECT_EQ(slot.Pending()->request.multiplier, 3.0f);
    slot.Close();
    EXPECT_FALSE(slot.Pending());
    EXPECT_FALSE(slot.Submit({JOB_DOWNLOAD, 1, {}, 0, {}}));
}

}  // namespace
}  // namespace q417
