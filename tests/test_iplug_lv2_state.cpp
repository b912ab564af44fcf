// The LV2 state interface over the framework's chunk: a plug-in whose state is more
// than its ports saves its chunk through the host's store function and gets all of it
// back through retrieve, in a fresh instance; damaged or foreign data changes nothing;
// a plug-in whose ports are its whole state saves nothing; the Turtle says which is which.
#include <gtest/gtest.h>
#include <lv2/atom/atom.h>
#include <lv2/state/state.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "IPlugLV2.h"
#include "IPlugLV2State.h"
#include "IPlugLV2Ttl.h"
#include "iplug_test_plug.h"
#include "lv2_test_host.h"
#include "temp_folder.h"

namespace {

constexpr const char* kURI = "urn:test:lv2-state";

// A plug-in with state beyond its parameters: a text ("mood") kept after them in its
// chunk, as a plug-in keeps a loaded file's name or a drawn curve.
class MoodPlug : public TestPlug {
 public:
  explicit MoodPlug(bool chunks = true) : TestPlug(5, "2-2", 1, 0, chunks) {
    InitFiveParams();
    MakeDefaultPreset("Init");
  }
  bool SerializeState(ByteChunk* chunk) override {
    return IPlugBase::SerializeState(chunk) && chunk->AppendString(mood.c_str()) >= 0;
  }
  int UnserializeState(ByteChunk* chunk, int startPos) override {
    WDL_String text;
    // The text is read first, so that a chunk without it changes no parameter either.
    const int paramsEnd = startPos + NParams() * static_cast<int>(sizeof(double));
    const int end = chunk->ReadString(&text, paramsEnd);
    if (end < 0 || end > chunk->Size()) return -1;  // cut short
    if (IPlugBase::UnserializeState(chunk, startPos) < 0) return -1;
    mood = text.Get();
    return end;
  }
  std::string mood = "calm";
};

// The host's side: what save stored, by key, and a retrieve that hands it back.
struct StateStore {
  struct Value {
    std::vector<unsigned char> bytes;
    uint32_t type = 0, flags = 0;
  };
  std::map<uint32_t, Value> values;

  static LV2_State_Status Store(LV2_State_Handle h, uint32_t key, const void* value, size_t size, uint32_t type,
                                uint32_t flags) {
    auto* self = static_cast<StateStore*>(h);
    const auto* bytes = static_cast<const unsigned char*>(value);
    self->values[key] = {std::vector<unsigned char>(bytes, bytes + size), type, flags};
    return LV2_STATE_SUCCESS;
  }
  static const void* Retrieve(LV2_State_Handle h, uint32_t key, size_t* size, uint32_t* type, uint32_t* flags) {
    auto* self = static_cast<StateStore*>(h);
    auto found = self->values.find(key);
    if (found == self->values.end()) return nullptr;
    *size = found->second.bytes.size();
    *type = found->second.type;
    *flags = found->second.flags;
    return found->second.bytes.data();
  }
};

class LV2State : public ::testing::Test {
 protected:
  // An instance as a host makes it, through the descriptor's instantiate, with urid:map.
  std::unique_ptr<IPlugLV2Instance, void (*)(LV2_Handle)> Make(bool chunks, bool withMap = true) {
    const LV2_Feature map = {LV2_URID__map, mUrids.Feature()};
    const LV2_Feature* features[] = {withMap ? &map : nullptr, nullptr};
    sChunks = chunks;
    LV2_Handle h = IPlugLV2Instantiate([]() -> IPlugBase* { return new MoodPlug(sChunks); }, kURI, 48000.0, features);
    return {static_cast<IPlugLV2Instance*>(h), IPlugLV2Cleanup};
  }
  static MoodPlug* Plug(IPlugLV2Instance* i) { return static_cast<MoodPlug*>(i->Plug()); }
  const LV2_State_Interface* Interface() {
    return static_cast<const LV2_State_Interface*>(IPlugLV2ExtensionData(LV2_STATE__interface));
  }
  LV2_State_Status Save(IPlugLV2Instance* i) {
    return Interface()->save(i, StateStore::Store, &mStore, LV2_STATE_IS_POD, nullptr);
  }
  LV2_State_Status Restore(IPlugLV2Instance* i) {
    return Interface()->restore(i, StateStore::Retrieve, &mStore, 0, nullptr);
  }
  uint32_t Key() { return mUrids.Map((std::string(kURI) + IPLUG_LV2_STATE_KEY_SUFFIX).c_str()); }

  static bool sChunks;
  lv2host::UridMap mUrids;
  StateStore mStore;
};
bool LV2State::sChunks = true;

TEST_F(LV2State, AChunkPluginGetsItsWholeStateBackInAFreshInstance) {
  ASSERT_NE(Interface(), nullptr);
  auto saved = Make(true);
  ASSERT_TRUE(saved);
  MoodPlug* a = Plug(saved.get());
  a->GetParam(0)->Set(-42.5);
  a->GetParam(3)->Set(-7);
  a->mood = "stormy";
  ASSERT_EQ(Save(saved.get()), LV2_STATE_SUCCESS);
  ASSERT_EQ(mStore.values.size(), 1u);
  const StateStore::Value& v = mStore.values.at(Key());
  EXPECT_EQ(v.type, mUrids.Map(LV2_ATOM__Chunk));
  EXPECT_EQ(v.flags, static_cast<uint32_t>(LV2_STATE_IS_POD));  // native byte order: not portable

  auto restored = Make(true);
  MoodPlug* b = Plug(restored.get());
  b->paramChanges.clear();
  ASSERT_EQ(Restore(restored.get()), LV2_STATE_SUCCESS);
  EXPECT_EQ(b->mood, "stormy");
  EXPECT_EQ(b->GetParam(0)->Value(), -42.5);
  EXPECT_EQ(b->GetParam(3)->Int(), -7);
  EXPECT_EQ(b->paramChanges.size(), 5u);  // every parameter told, as after a VST 2 chunk
}

TEST_F(LV2State, APluginWhosePortsAreItsStateSavesAndRestoresNothing) {
  auto instance = Make(false);
  ASSERT_TRUE(instance);
  ASSERT_EQ(Save(instance.get()), LV2_STATE_SUCCESS);
  EXPECT_TRUE(mStore.values.empty());
  // Even a chunk under its key is left alone: the ports carry its state.
  mStore.values[Key()] = {std::vector<unsigned char>(64, 0), mUrids.Map(LV2_ATOM__Chunk), 0};
  Plug(instance.get())->GetParam(0)->Set(-10.0);
  EXPECT_EQ(Restore(instance.get()), LV2_STATE_SUCCESS);
  EXPECT_EQ(Plug(instance.get())->GetParam(0)->Value(), -10.0);
}

TEST_F(LV2State, DamagedForeignOrMissingDataChangesNothing) {
  auto saved = Make(true);
  Plug(saved.get())->mood = "stormy";
  Plug(saved.get())->GetParam(0)->Set(-42.5);
  ASSERT_EQ(Save(saved.get()), LV2_STATE_SUCCESS);
  const StateStore::Value good = mStore.values.at(Key());

  auto target = Make(true);
  MoodPlug* p = Plug(target.get());
  auto unchanged = [&]() {
    EXPECT_EQ(p->mood, "calm");
    EXPECT_EQ(p->GetParam(0)->Value(), -20.0);
  };
  // Nothing saved under the key (a session from before): success, nothing changes.
  mStore.values.clear();
  EXPECT_EQ(Restore(target.get()), LV2_STATE_SUCCESS);
  unchanged();
  // The bytes under another type.
  mStore.values[Key()] = {good.bytes, mUrids.Map(LV2_ATOM__String), 0};
  EXPECT_EQ(Restore(target.get()), LV2_STATE_ERR_BAD_TYPE);
  unchanged();
  // Cut short, at every length: refused whole.
  for (size_t n = 1; n < good.bytes.size(); n += 3) {
    mStore.values[Key()] = {std::vector<unsigned char>(good.bytes.begin(), good.bytes.begin() + n), good.type, 0};
    EXPECT_EQ(Restore(target.get()), LV2_STATE_ERR_UNKNOWN) << n;
    unchanged();
  }
  // The whole of it is taken, of course.
  mStore.values[Key()] = good;
  EXPECT_EQ(Restore(target.get()), LV2_STATE_SUCCESS);
  EXPECT_EQ(p->mood, "stormy");
}

TEST_F(LV2State, AChunkPluginNeedsTheUridMap) {
  // The host must offer it (the Turtle requires it); an instance made without is refused.
  EXPECT_FALSE(Make(true, false));
  EXPECT_TRUE(Make(false, false));
  // An instance that has none anyway reports the missing feature instead of saving.
  IPlugLV2Instance bare(new MoodPlug(true), kURI, 48000.0, nullptr);
  EXPECT_EQ(Save(&bare), LV2_STATE_ERR_NO_FEATURE);
  EXPECT_EQ(Restore(&bare), LV2_STATE_ERR_NO_FEATURE);
}

TEST_F(LV2State, TheTurtleNamesTheStateInterfaceOnlyForChunkPlugins) {
  for (bool chunks : {true, false}) {
    SCOPED_TRACE(chunks);
    MoodPlug plug(chunks);
    TempFolder folder;
    ASSERT_TRUE(IPlugLV2WriteBundleTtl(&plug, kURI, folder.Path("").c_str(), "Test.so", nullptr));
    lv2host::World world({folder.Path("")});
    const LilvPlugin* plugin = world.Plugin(kURI);
    ASSERT_NE(plugin, nullptr);
    EXPECT_EQ(lilv_plugin_has_extension_data(plugin, world.Uri(LV2_STATE__interface)), chunks);
    EXPECT_EQ(lilv_plugin_has_feature(plugin, world.Uri(LV2_URID__map)), chunks);
  }
}

}  // namespace
