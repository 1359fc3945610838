#include "weblink/browserlink.h"

#include <gtest/gtest.h>

#include "support/scriptedprompter.h"

namespace {

class FakeOpener : public UrlOpener {
 public:
  explicit FakeOpener(bool takes) : takes_(takes) {}
  QStringList opened;
  bool open(const QString& address) override {
    opened << address;
    return takes_;
  }

 private:
  bool takes_;
};

TEST(BrowserLink, PrefixesTheAddressByItsType) {
  const struct {
    const char *address, *type, *opened;
  } cases[] = {
      {"https://orvanta.example/tomes", "WWW", "https://orvanta.example/tomes"},
      {"gopher://host", "Ftp", "gopher://host"},
      {"orvanta.example", "WWW", "http://orvanta.example"},
      {"orvanta.example", "www", "http://orvanta.example"},
      {"host/menu", "Gopher", "gopher://host/menu"},
      {"host/pub", "FTP", "ftp://host/pub"},
      {"comp.lang.c", "Newsgroup", "news:comp.lang.c"},
      {"news:comp.lang.c", "News", "news:comp.lang.c"},
      {"mailto:someone@orvanta.example", "Mail", "mailto:someone@orvanta.example"},
      {"orvanta.example", "", "orvanta.example"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(browserAddress(QString::fromLatin1(c.address), QString::fromLatin1(c.type)),
              QString::fromLatin1(c.opened))
        << c.address << " " << c.type;
}

// The stored address goes to the opener; a record's address and type come
// from its controls; a refusal gives the one error box.
TEST(BrowserLink, OpensOrSaysNoBrowserWasFound) {
  for (const bool takes : {true, false}) {
    SCOPED_TRACE(takes);
    ScriptedPrompter prompts;
    FakeOpener opener(takes);
    BrowserLink link(&opener);
    link.setText(BrowserLink::Address, QStringLiteral("orvanta.example"));
    EXPECT_EQ(link.open(), takes);
    const QStringList controls = {"", "ftp.orvanta.example", "", "", "", "", "Ftp"};
    EXPECT_EQ(link.open(&controls), takes);
    EXPECT_EQ(link.found(), takes);
    EXPECT_EQ(opener.opened, QStringList({"http://orvanta.example", "ftp://ftp.orvanta.example"}));
    ASSERT_EQ(prompts.shown.size(), takes ? 0u : 2u);
    for (const auto& box : prompts.shown) {
      EXPECT_EQ(box.kind, MsgKind::Error);
      EXPECT_EQ(box.buttons, MsgButtons::OkHelp);
      EXPECT_EQ(box.helpTopic, 113);
      EXPECT_EQ(box.text,
                QStringLiteral("Browser Not Found!\rYou have to start your Web Browser before "
                               "using this function.\rSee Help for a list of currently "
                               "supported browsers."));
    }
  }
}

}  // namespace
