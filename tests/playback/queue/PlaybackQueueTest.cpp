#include "playback/queue/PlaybackQueue.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "playback/playlist/ListErrors.h"
#include "playback/playlist/Playlist.h"
#include "platform/MainThreadFixture.h"

namespace {

class PlaybackQueueTest : public MainThreadFixture {
protected:
    void SetUp() override
    {
        MainThreadFixture::SetUp();
        playlist = std::make_unique<TPlaylist>();
        other = std::make_unique<TPlaylist>();
        // Items a..f; b, c, d belong to event 5, e to event 6.
        const std::string names = "abcdef";
        const int32_t events[] = {0, 5, 5, 5, 6, 0};
        for (size_t i = 0; i < names.size(); ++i) {
            TPlaylistAddParams params;
            params.EventId = events[i];
            playlist->AddTrack(std::string(1, names[i]), params);
        }
        other->AddTrack("z", {});
        queue.OnChange = [this] { ++changes; };
    }
    void TearDown() override
    {
        playlist.reset();
        other.reset();
        MainThreadFixture::TearDown();
    }
    // The queue as names, scheduled entries in capitals.
    std::string Entries() const
    {
        std::string entries;
        for (int32_t i = 0; i < queue.Count(); ++i) {
            const TPlaybackQueueItem& entry = queue.GetItem(i);
            const char name = entry.Item->FN[0];
            entries += entry.Scheduled ? static_cast<char>(name - 'a' + 'A') : name;
        }
        return entries;
    }
    TPlaylistItem* Item(int32_t index) const { return &playlist->Items(index); }

    std::unique_ptr<TPlaylist> playlist;
    std::unique_ptr<TPlaylist> other;
    TPlaybackQueue queue;
    int changes = 0;
};

TEST_F(PlaybackQueueTest, AddingAtTheEndTheFrontAndAnIndex)
{
    queue.Add(playlist.get(), Item(0));
    queue.AddFirst(playlist.get(), Item(5));
    queue.Insert(1, {playlist.get(), Item(4)});
    EXPECT_EQ(Entries(), "fea");
    EXPECT_EQ(changes, 3);
    EXPECT_TRUE(queue.Queued(playlist.get(), Item(4)));
    EXPECT_FALSE(queue.Queued(other.get(), Item(4)));
    try {
        queue.Insert(4, {});
        FAIL() << "no error";
    } catch (const EListError& error) {
        EXPECT_STREQ(error.what(), "List index out of bounds (4)");
    }
    EXPECT_THROW(queue.GetItem(3), EListError);
    EXPECT_THROW(queue.Delete(-1), EListError);
}

TEST_F(PlaybackQueueTest, AScheduledBlockIsTheRunOfItemsOfOneEvent)
{
    queue.Add(playlist.get(), Item(0));
    queue.AddScheduled(playlist.get(), 1, false, false);
    EXPECT_EQ(Entries(), "BCDa");
    queue.AddScheduled(playlist.get(), 4, true, false);
    EXPECT_EQ(Entries(), "BCDEa") << "after the scheduled entries at the front";
    queue.AddScheduled(playlist.get(), 2, false, true);
    EXPECT_EQ(Entries(), "CBCDEa") << "only the first item, at the front";
    EXPECT_FALSE(queue.QueuedScheduledOnly());
    queue.Delete(5);
    EXPECT_TRUE(queue.QueuedScheduledOnly());
    const int before = changes;
    queue.AddScheduled(playlist.get(), 6, false, false);
    queue.AddScheduled(nullptr, 0, false, false);
    EXPECT_EQ(changes, before);
}

TEST_F(PlaybackQueueTest, APausedQueueKeepsItsEntriesButOffersNone)
{
    queue.Add(playlist.get(), Item(0));
    queue.SetPause(true);
    EXPECT_FALSE(queue.ActiveQueue());
    const TPlaybackQueueItem none = queue.Get(true, 0);
    EXPECT_EQ(none.Playlist, nullptr);
    EXPECT_EQ(none.Item, nullptr);
    EXPECT_EQ(queue.Count(), 1);
    queue.AddScheduled(playlist.get(), 1, false, false);
    EXPECT_EQ(Entries(), "a");
    queue.AddFirst(playlist.get(), Item(5));
    EXPECT_EQ(Entries(), "fa");
    queue.SetPause(false);
    EXPECT_TRUE(queue.ActiveQueue());
    EXPECT_EQ(queue.Get(true, 0).Item, Item(5));
    EXPECT_EQ(queue.Get(false, 0).Item, Item(0));
    EXPECT_EQ(Entries(), "a");
}

TEST_F(PlaybackQueueTest, DeletingByPlaylistAndItem)
{
    queue.Add(playlist.get(), Item(0));
    queue.Add(other.get(), &other->Items(0));
    queue.Add(playlist.get(), Item(1));
    queue.Add(playlist.get(), Item(0));
    const int before = changes;
    queue.Delete(playlist.get(), Item(5));
    EXPECT_EQ(changes, before) << "nothing removed, nothing fired";
    queue.Delete(playlist.get(), Item(0));
    EXPECT_EQ(queue.Count(), 2);
    queue.Delete(playlist.get(), nullptr);
    EXPECT_EQ(queue.Count(), 1);
    EXPECT_EQ(queue.GetItem(0).Playlist, other.get());
    queue.Clear();
    EXPECT_EQ(queue.Count(), 0);
    EXPECT_FALSE(queue.QueuedScheduledOnly());
}

TEST_F(PlaybackQueueTest, CleanupDropsEntriesOfDeletedItemsAndFreedPlaylists)
{
    queue.Add(playlist.get(), Item(0));
    queue.Add(playlist.get(), Item(1));
    queue.Add(other.get(), &other->Items(0));
    changes = 0;
    queue.Cleanup();
    EXPECT_EQ(changes, 0);
    playlist->DelTrack(0);
    queue.Cleanup();
    EXPECT_EQ(Entries(), "bz");
    EXPECT_EQ(changes, 1);
    other.reset();
    queue.Cleanup();
    EXPECT_EQ(Entries(), "b");
    bool asked = false;
    queue.OnGetPlaylistList = [&](TPlaylistList& playlists) {
        asked = true;
        playlists.clear();  // the host knows of no playlist
    };
    queue.Cleanup();
    EXPECT_TRUE(asked);
    EXPECT_EQ(queue.Count(), 0);
}

}  // namespace
