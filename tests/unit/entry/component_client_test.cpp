#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "base/allocator.h"
#include "config/config_var.h"
#include "entry/component_client.h"
#include "entry/host_access.h"
#include "support/allocation_failures.h"
#include "support/fake_host.h"

using vorlane::ComponentClient;
using vorlane::HostService;
using vorlane::ServiceFactory;

namespace {

// The configuration block the module would store now, as a text of bytes.
class BlockWriter final : public vorlane::ByteWriter {
public:
  uint32_t write(const void* bytes, uint32_t count) override {
    block.append(static_cast<const char*>(bytes), count);
    return count;
  }
  std::string block;
};

std::string saved_block(ComponentClient* client) {
  BlockWriter writer;
  client->save_config(&writer);
  return writer.block;
}

ComponentClient* client() {
  return tessaly_get_interface(vorlane::host_api, vorlane::module_handle);
}

const vorlane::Guid kSomeClass = {1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};

// Puts back the texts the host handed over, which outlive a test.
class ClientTest : public ::testing::Test {
protected:
  void TearDown() override { client()->set_host_texts("", ""); }
};

} // namespace

TEST(ComponentClient, VersionIs35EveryTime) {
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(35, client()->version()) << "call " << i + 1;
}

TEST(ComponentClient, FactoryListHoldsOutputFormatThenPreferencesPage) {
  ServiceFactory* head = client()->factory_list();
  ASSERT_NE(nullptr, head);
  EXPECT_TRUE(head->class_id == vorlane::kOutputFormatClass);
  ASSERT_NE(nullptr, head->next);
  EXPECT_TRUE(head->next->class_id == vorlane::kPreferencesPageClass);
  EXPECT_EQ(nullptr, head->next->next);
  EXPECT_EQ(head, client()->factory_list()) << "the head changed between calls";
}

TEST(ComponentClient, EntryFunctionKeepsTheValuesOfTheLastCall) {
  HINSTANCE saved_handle = vorlane::module_handle;
  vorlane::HostApi* saved_host = vorlane::host_api;
  fake::Host first_host, second_host;
  HINSTANCE first = reinterpret_cast<HINSTANCE>(0x1000);
  HINSTANCE second = reinterpret_cast<HINSTANCE>(0x2000);

  ComponentClient* a = tessaly_get_interface(&first_host, first);
  ComponentClient* b = tessaly_get_interface(&second_host, second);
  EXPECT_EQ(a, b);
  EXPECT_EQ(static_cast<ComponentClient*>(&vorlane::component_client), a);
  EXPECT_EQ(second, vorlane::module_handle);
  EXPECT_EQ(&second_host, vorlane::host_api);

  tessaly_get_interface(saved_host, saved_handle);
}

TEST_F(ClientTest, ReservedHookAndHostFlagChangeNothing) {
  fake::Host host;
  client()->set_host_texts("first", "source");
  std::string block = saved_block(client());
  vorlane::HostApi* api = vorlane::host_api;
  ServiceFactory* head = client()->factory_list();

  client()->reserved_hook();
  for (uint8_t flag : {0, 1, 0xFF})
    client()->set_host_flag(flag);

  EXPECT_EQ(block, saved_block(client()));
  EXPECT_EQ(api, vorlane::host_api);
  EXPECT_EQ(head, client()->factory_list());
  EXPECT_STREQ("source", vorlane::source_text.text());
  EXPECT_STREQ("first", vorlane::first_host_text.text());
  EXPECT_EQ(0xFF, vorlane::host_flag);
  EXPECT_TRUE(host.asked.empty()) << "asked the host for a service";
  client()->set_host_flag(0);
}

TEST_F(ClientTest, SetHostTextsCopiesBoth) {
  struct Row {
    const char* first;
    const char* source;
  };
  const Row rows[] = {{"tessaly", "vorlane.dll"}, {"other", ""}, {"", "x"}, {"", ""}};
  for (const Row& row : rows) {
    std::string first = row.first, source = row.source;
    client()->set_host_texts(first.c_str(), source.c_str());
    // The host's buffers may go away: the module holds copies.
    first.assign(first.size(), '#');
    source.assign(source.size(), '#');
    EXPECT_STREQ(row.first, vorlane::first_host_text.text());
    EXPECT_STREQ(row.source, vorlane::source_text.text());
  }
}

TEST(PreferencesPageFactory, HandsOutTheOneStaticPage) {
  ServiceFactory* page_factory = client()->factory_list()->next;
  HostService* a = page_factory->create();
  HostService* b = page_factory->create();
  ASSERT_NE(nullptr, a);
  EXPECT_EQ(a, b);
  EXPECT_EQ(1, a->release());
  EXPECT_EQ(1, a->release());
  EXPECT_EQ(1, a->add_ref());
  EXPECT_EQ(nullptr, a->query(&vorlane::kPreferencesPageClass));
  EXPECT_EQ(nullptr, a->query(&kSomeClass));
  // Still usable after all those releases.
  auto* page = static_cast<vorlane::PreferencesPageService*>(a);
  EXPECT_STREQ("Custom", page->page_name());
  EXPECT_STREQ("Telvane", page->parent_page_name());
  EXPECT_EQ(a, page_factory->create());
}

TEST(OutputFormatFactory, HandsOutANewCountedObjectEachTime) {
  ServiceFactory* factory = client()->factory_list();
  HostService* a = factory->create();
  HostService* b = factory->create();
  ASSERT_NE(nullptr, a);
  ASSERT_NE(nullptr, b);
  EXPECT_NE(a, b);
  EXPECT_EQ(nullptr, a->query(&vorlane::kOutputFormatClass));
  EXPECT_EQ(nullptr, a->query(&kSomeClass));
  EXPECT_EQ(2, a->add_ref());
  EXPECT_EQ(1, a->release());
  EXPECT_EQ(0, a->release()); // frees it: the leak checker would see it otherwise
  EXPECT_EQ(0, b->release());
}

// Telvane may take and give back references from several threads at once.
TEST(OutputFormatFactory, ReferenceCountIsAtomic) {
  HostService* object = client()->factory_list()->create();
  ASSERT_NE(nullptr, object);
  auto churn = [object] {
    for (int i = 0; i < 20000; ++i) {
      object->add_ref();
      object->release();
    }
  };
  std::thread a(churn), b(churn);
  a.join();
  b.join();
  EXPECT_EQ(2, object->add_ref());
  EXPECT_EQ(1, object->release());
  EXPECT_EQ(0, object->release());
}

using OutputFormatFactoryFailures = fake::AllocationFailures;

TEST_F(OutputFormatFactoryFailures, CreateWithoutMemoryGivesNull) {
  vorlane::fail_allocation(1, true);
  EXPECT_EQ(nullptr, client()->factory_list()->create());
  vorlane::fail_allocation(0, false);
  HostService* later = client()->factory_list()->create();
  ASSERT_NE(nullptr, later);
  EXPECT_EQ(0, later->release());
}

TEST(ServiceEnumerator, YieldsEveryIndexThenNull) {
  fake::Host host;
  fake::Messages s0, s1, s2;
  host.add(kSomeClass, &s0);
  host.add(kSomeClass, &s1);
  host.add(kSomeClass, &s2);
  host.add(vorlane::kMessageServiceClass, &s2); // another class does not count

  vorlane::ServiceEnumerator services(kSomeClass);
  std::vector<HostService*> got;
  for (HostService* s = services.first(); s; s = services.next()) {
    got.push_back(s);
    s->release();
  }
  EXPECT_EQ((std::vector<HostService*>{&s0, &s1, &s2}), got);
  EXPECT_EQ(nullptr, services.next());
  EXPECT_EQ((std::vector<uint32_t>{0, 1, 2, 3, 4}), host.indexes_asked(kSomeClass));

  // first starts over at index 0.
  HostService* again = services.first();
  EXPECT_EQ(&s0, again);
  again->release();
  EXPECT_EQ(0, s0.outstanding());
  EXPECT_EQ(0, s1.outstanding());
  EXPECT_EQ(0, s2.outstanding());
}

TEST(ServiceEnumerator, KeepsItsOwnCopyOfTheClass) {
  fake::Host host;
  fake::Messages service;
  host.add(kSomeClass, &service);
  vorlane::Guid id = kSomeClass;
  vorlane::ServiceEnumerator services(id);
  id.data1 = 0xDEAD; // the caller's identifier may change or go away
  HostService* s = services.first();
  EXPECT_EQ(&service, s);
  if (s)
    s->release();
}

TEST(ServiceEnumerator, WithoutHostFindsNothing) {
  vorlane::HostApi* saved = vorlane::host_api;
  vorlane::host_api = nullptr;
  vorlane::ServiceEnumerator services(kSomeClass);
  EXPECT_EQ(nullptr, services.first());
  EXPECT_EQ(1u, services.next_index());
  vorlane::host_api = saved;
}

TEST_F(ClientTest, ShowErrorPostsOneLevel3Message) {
  fake::Host host;
  fake::Messages messages;
  host.add(vorlane::kMessageServiceClass, &messages);
  client()->set_host_texts("tessaly", "vorlane.dll");

  vorlane::ShowError("Cannot open x.tvc");
  ASSERT_EQ(1u, messages.posted.size());
  EXPECT_EQ(3, messages.posted[0].level);
  EXPECT_EQ("Cannot open x.tvc", messages.posted[0].text);
  EXPECT_EQ("vorlane.dll", messages.posted[0].source);
  EXPECT_EQ(0, messages.outstanding()) << "the message service was not released";
  EXPECT_EQ((std::vector<uint32_t>{0}), host.indexes_asked(vorlane::kMessageServiceClass));

  // Fresh each time: a second message asks again.
  client()->set_host_texts("tessaly", "");
  vorlane::ShowError("second");
  ASSERT_EQ(2u, messages.posted.size());
  EXPECT_EQ("", messages.posted[1].source);
  EXPECT_EQ(2u, host.requests(vorlane::kMessageServiceClass));
  EXPECT_EQ(0, messages.outstanding());
}

TEST(ShowError, WithoutMessageServiceDoesNothing) {
  fake::Host host;
  fake::Messages elsewhere;
  host.add(kSomeClass, &elsewhere);
  vorlane::ShowError("lost");
  EXPECT_EQ(1u, host.requests(vorlane::kMessageServiceClass));
  EXPECT_TRUE(elsewhere.posted.empty());
  EXPECT_EQ(0, elsewhere.outstanding());
}

TEST(CachedServices, AskedOnceAndKept) {
  fake::Playlist playlist;
  struct Service {
    const char* what;
    const vorlane::Guid* class_id;
    HostService* (*get)();
    HostService* object;
    const int32_t* refs;
  };
  const Service rows[] = {
      {"playlist_service", &vorlane::kPlaylistServiceClass,
       [] { return static_cast<HostService*>(vorlane::playlist_service()); }, &playlist,
       &playlist.refs},
      {"handle_service", &vorlane::kHandleServiceClass,
       [] { return static_cast<HostService*>(vorlane::handle_service()); }, &playlist.handles,
       &playlist.handles.refs},
  };
  for (const Service& row : rows) {
    SCOPED_TRACE(row.what);
    fake::Host host;
    // A null answer is not remembered: the host is asked again each time.
    EXPECT_EQ(nullptr, row.get());
    EXPECT_EQ(nullptr, row.get());
    EXPECT_EQ(nullptr, row.get());
    EXPECT_EQ(3u, host.requests(*row.class_id));

    host.add(*row.class_id, row.object);
    EXPECT_EQ(row.object, row.get());
    EXPECT_EQ(row.object, row.get());
    EXPECT_EQ(4u, host.requests(*row.class_id));
    EXPECT_EQ((std::vector<uint32_t>{0, 0, 0, 0}), host.indexes_asked(*row.class_id));
    EXPECT_EQ(2, *row.refs) << "the cached reference is kept for good";
    vorlane::forget_cached_services();
  }
}
