// The record logic of a page without the page: load, lock, check, post,
// letters, copy buffer, undo and delete over real tables.

#include <gtest/gtest.h>

#include "store/recordsession.h"
#include "support/storefixture.h"

namespace storetest {
namespace {

const QString kDiscard = QStringLiteral(
    "\rDo you want to continue anyway?\r(If you answer Yes changes to the current record will be "
    "discarded.)");

std::vector<QString> designedLabels() {
  std::vector<QString> out;
  for (const FieldDesign& d : fieldDesigns()) out.push_back(QString::fromLatin1(d.caption));
  return out;
}

class RecordSessionTest : public StoreTest {
 protected:
  // The database as the program opens it, sorted by title, with the
  // catalogue's counter at `counter`.
  void open(const std::vector<Book>& books, int counter = 0) {
    makeDatabase(books);
    writeBytes(dataFile("data.idx"), std::string("\x02\x00\x00\x00", 4));
    ASSERT_TRUE(openDatabase(tables_));
    dbase::Table& cat = tables_.catalogue.engine();
    cat.edit();
    cat.setNumber(3, counter);
    cat.post();
    countLetters(tables_.records);
    // Counting leaves the last letter's range: the whole listing again.
    tables_.records.close();
    tables_.records.open();
    prompter_.shown.clear();
  }
  // A fresh page's values for the record at `position`.
  PageValues valuesAt(int32_t position) {
    RecordSession reader(tables_);
    auto v = reader.loadAt(position);
    EXPECT_TRUE(v.has_value());
    return v.value_or(PageValues{});
  }
  std::vector<std::string> stored(int field) {
    dbase::Table t;
    t.open(dataFile("data.dbf"), dbase::OpenMode::Shared, true);
    std::vector<std::string> out;
    for (t.first(); !t.eof(); t.next()) out.push_back(t.asString(field));
    return out;
  }
  int letterCount(char c) const { return letterCounts()[static_cast<size_t>(c - 'A')]; }
  // Another cursor that edits, and so locks, the file's first record.
  void lockFirst(dbase::Table& other, const char* file = "data.dbf") {
    other.open(dataFile(file));
    other.first();
    other.edit();
  }
};

struct ReadBack {
  UserField field;
  QString typed;
  QString shown;      // what the editors show once it is read back
  std::string bytes;  // what the table holds
};

class PostAndReadBack : public RecordSessionTest, public ::testing::WithParamInterface<ReadBack> {};

TEST_P(PostAndReadBack, StoredAsTypedAndShownAgain) {
  const ReadBack& c = GetParam();
  open({{"Alpha"}, {"Beta"}});
  RecordSession session(tables_);
  PageValues v = session.loadAt(1).value();
  EXPECT_FALSE(session.isNew());
  EXPECT_FALSE(session.inUse());
  v.text[c.field] = c.typed;
  EXPECT_TRUE(session.leave(v, designedLabels()));
  EXPECT_TRUE(prompter_.shown.empty());
  EXPECT_EQ(stored(F(c.field))[1], c.bytes);
  EXPECT_EQ(valuesAt(1).text[c.field], c.shown);
  EXPECT_EQ(stored(0), (Strings{"1", "2"}));  // numbers kept
}

INSTANTIATE_TEST_SUITE_P(EveryKind, PostAndReadBack,
                         ::testing::Values(ReadBack{kAuthor, "Someone", "Someone", "Someone"},
                                           ReadBack{kAuthor, QString::fromUtf8("Jos\xC3\xA9"),
                                                    QString::fromUtf8("Jos\xC3\xA9"), "Jos\xE9"},
                                           ReadBack{kPublished, "12/25/1999", "12/25/1999",
                                                    "19991225"},
                                           ReadBack{kValue, "1234.5", "1,234.50", "1234.50"},
                                           ReadBack{kCustom6, "-7", "-7.00", "-7.00"},
                                           ReadBack{kNotes, "line one\nline two",
                                                    "line one\nline two", "line one\r\nline two"}));

TEST_F(RecordSessionTest, ClearingEveryFieldKeepsTheStoredRecord) {
  open({{"Alpha", 0, "0", "Author 1"}});
  RecordSession session(tables_);
  ASSERT_TRUE(session.loadAt(0));
  EXPECT_TRUE(session.leave(PageValues{}, designedLabels()));
  EXPECT_TRUE(prompter_.shown.empty());
  EXPECT_EQ(stored(F(kAuthor)), Strings{"Author 1"});
  EXPECT_FALSE(tables_.records.engine().state() == dbase::Table::State::Edit);
}

TEST_F(RecordSessionTest, AnEmptyAmountShownAsZeroIsNoChange) {
  open({{"Alpha", 0, "0", "Author 1"}});
  RecordSession session(tables_);
  PageValues v = session.loadAt(0).value();
  // A currency editor shows an empty amount as 0.00 and a page may read it either way.
  for (const char* zero : {"", "0", "0.00"}) {
    v.text[kValue] = QString::fromLatin1(zero);
    EXPECT_FALSE(session.changed(v)) << zero;
  }
  v.text[kValue] = "0.01";
  EXPECT_TRUE(session.changed(v));
}

struct Refusal {
  const char* name;
  UserField field;
  QString typed;
  QString question;  // before the discard question
};

class RefusedLeave : public RecordSessionTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(RefusedLeave, AsksAndNoStaysWithTheRecordHeld) {
  const Refusal& c = GetParam();
  appSettings().requiredFields.set(0);
  appSettings().firstFieldEmptyMsg = QStringLiteral("First Field cannot be empty!");
  open({{"Alpha", 0, "0", "Author 1"}});
  RecordSession session(tables_);
  PageValues v = session.loadAt(0).value();
  v.text[c.field] = c.typed;
  v.text[kAuthor] = "Changed";
  EXPECT_FALSE(session.leave(v, designedLabels()));
  ASSERT_EQ(prompter_.texts(), QStringList{c.question + kDiscard});
  EXPECT_EQ(prompter_.shown[0].kind, MsgKind::Warning);
  EXPECT_EQ(prompter_.shown[0].buttons, MsgButtons::YesNo);
  // Still held: another cursor cannot lock it.
  dbase::Table other;
  other.open(dataFile("data.dbf"));
  other.first();
  EXPECT_THROW(other.edit(), dbase::LockError);
  prompter_.answers.push_back(MsgResult::Yes);
  EXPECT_TRUE(session.leave(v, designedLabels()));
  EXPECT_EQ(stored(F(kAuthor)), Strings{"Author 1"});  // nothing stored
  other.first();
  EXPECT_NO_THROW(other.edit());  // leaving let go of the lock
  other.cancel();
}

// A signal or the end of the session: nobody is asked, the close goes on and
// the page is stored as typed, but for what the field cannot hold.
TEST_P(RefusedLeave, WhileEndingNothingIsAskedAndWhatFitsIsStored) {
  const Refusal& c = GetParam();
  appSettings().requiredFields.set(0);
  open({{"Alpha", 0, "0", "Author 1"}});
  const std::vector<std::string> before = stored(F(c.field));
  RecordSession session(tables_);
  PageValues v = session.loadAt(0).value();
  v.text[c.field] = c.typed;
  v.text[kAuthor] = "Changed";
  struct Ending {
    Ending() { setShuttingDown(true); }
    ~Ending() { setShuttingDown(false); }
  } ending;
  EXPECT_TRUE(session.leave(v, designedLabels()));
  EXPECT_TRUE(prompter_.shown.empty());
  EXPECT_EQ(stored(F(kAuthor)), Strings{"Changed"});
  // An empty title can be stored; what the field cannot hold leaves it as it was.
  EXPECT_EQ(stored(F(c.field)), c.typed.isEmpty() ? Strings{""} : before);
}

INSTANTIATE_TEST_SUITE_P(
    Questions, RefusedLeave,
    ::testing::Values(Refusal{"EmptyTitle", kTitle, "", "First Field cannot be empty!"},
                      Refusal{"BadDate", kPublished, "13/45/2020",
                              "Published Date: \"13/45/2020\" is not a date (mm/dd/yyyy)."},
                      Refusal{"BadNumber", kValue, "lots", "Value: \"lots\" is not a number."},
                      // Nothing is cut or replaced: the question names what would be.
                      Refusal{"NumberTooLarge", kValue, "12345678901",
                              "Value: \"12345678901\" is too large for the field."},
                      Refusal{"TextTooLong", kCoAuthors, QString(300, u'x'),
                              "Co-Authors: the text is 300 characters long, the field holds 60."},
                      Refusal{"AccentedTextTooLong", kRating, "M\u00FCller & S\u00F6hne  ",
                              "Rating: the text is 14 characters long, the field holds 10."},
                      Refusal{"NoCodeForTheCharacter", kTitle, "\u03A9mega",
                              "Book Title: the character \u03A9 cannot be stored."},
                      Refusal{"NoCodeInTheMemo", kNotes, "\u010Cten\u00ED\n\u0159\u010D",
                              "Notes: the characters \u010C \u0159 \u010D cannot be stored."}),
    [](const auto& param) { return std::string(param.param.name); });

// Bytes another program left that the editors cannot show as they are.
struct OddBytes {
  const char* name;
  UserField field;
  std::string bytes;
};

class UntouchedFields : public RecordSessionTest, public ::testing::WithParamInterface<OddBytes> {};

TEST_P(UntouchedFields, KeepTheirBytesWhetherOrNotTheRecordChanged) {
  const OddBytes& c = GetParam();
  open({{"Alpha", 0, "0", "Author 1"}, {"Beta", 0, "0", "Author 2"}});
  patchFirstRecord(F(c.field), c.bytes);
  const std::string file = readBytes(dataFile("data.dbf"));
  RecordSession session(tables_);
  PageValues v = session.loadAt(0).value();
  EXPECT_FALSE(session.changed(v));
  EXPECT_TRUE(session.leave(v, designedLabels()));
  EXPECT_EQ(session.store(v), RecordSession::Stored::Yes);
  EXPECT_EQ(readBytes(dataFile("data.dbf")), file) << "an untouched record was written";
  EXPECT_TRUE(prompter_.shown.empty());

  v = session.loadAt(0).value();
  v.text[kAuthor] = "Changed";
  EXPECT_TRUE(session.leave(v, designedLabels()));
  dbase::Table t;
  t.open(dataFile("data.dbf"), dbase::OpenMode::Shared, true);
  t.first();
  EXPECT_EQ(t.asString(F(kAuthor)), "Changed");
  EXPECT_EQ(std::string(t.fieldBytes(F(c.field)).substr(0, c.bytes.size())), c.bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Stored, UntouchedFields,
    ::testing::Values(OddBytes{"ImpossibleDate", kPublished, "18651399"},
                      OddBytes{"UndefinedCodePoint", kPublisher, "M\x81\x8D\x90ller"},
                      OddBytes{"NulPadding", kCategory, std::string("Poems\0\0", 7)},
                      OddBytes{"NumberInOtherForm", kValue, "   +0012.50"}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(RecordSessionTest, PageStateNamesEveryProblem) {
  open({{"Alpha"}});
  RecordSession session(tables_);
  PageValues v = session.loadAt(0).value();
  v.text[kPublished] = "13/45/2020";
  v.text[kValue] = "lots";
  QString problems;
  const PageState s = session.state(v, designedLabels(), &problems);
  EXPECT_FALSE(s.passes);
  EXPECT_FALSE(s.empty);
  EXPECT_EQ(problems,
            "Published Date: \"13/45/2020\" is not a date (mm/dd/yyyy).\r"
            "Value: \"lots\" is not a number.");
}

TEST_F(RecordSessionTest, HundredFailedPostsAskAfterCouldNotUpdate) {
  open({{"Alpha", 0, "0", "Author 1"}});
  RecordSession session(tables_);
  PageValues v = session.loadAt(0).value();
  v.text[kAuthor] = "Changed";
  // The lock went and someone else took it before the page was left.
  session.release();
  dbase::Table other;
  lockFirst(other);
  EXPECT_FALSE(session.leave(v, designedLabels()));
  EXPECT_EQ(prompter_.texts(), QStringList{"Could not Update the record!" + kDiscard});
  EXPECT_EQ(prompter_.shown[0].buttons, MsgButtons::YesNo);
  prompter_.answers.push_back(MsgResult::Yes);
  EXPECT_TRUE(session.leave(v, designedLabels()));
  other.cancel();
  EXPECT_EQ(stored(F(kAuthor)), Strings{"Author 1"});
}

TEST_F(RecordSessionTest, NewRecordsGetTheNextCatalogueNumbers) {
  open({{"Alpha"}, {"Beta"}}, 41);
  RecordSession session(tables_);
  PageValues v = session.loadAt(session.count()).value();
  EXPECT_TRUE(session.isNew());
  EXPECT_EQ(session.number(), -1);
  v.text[kTitle] = "Gamma";
  EXPECT_TRUE(session.leave(v, designedLabels()));
  EXPECT_FALSE(session.isNew());  // staying must not add it twice
  EXPECT_EQ(session.number(), 42);
  v.text[kAuthor] = "Again";
  EXPECT_TRUE(session.leave(v, designedLabels()));
  EXPECT_EQ(stored(0), (Strings{"1", "2", "42"}));
  EXPECT_EQ(stored(F(kAuthor))[2], "Again");
  // An empty new page is never stored.
  ASSERT_TRUE(session.loadAt(session.count()));
  EXPECT_TRUE(session.leave(PageValues{}, designedLabels()));
  EXPECT_EQ(stored(0).size(), 3u);
  // Another program holds the counter: after its wait the save fails once
  // and asks, rather than waiting again on each of its attempts.
  dbase::Table other;
  lockFirst(other, "master.dbf");
  v = session.loadAt(session.count()).value();
  v.text[kTitle] = "Delta";
  EXPECT_FALSE(session.leave(v, designedLabels()));
  EXPECT_EQ(prompter_.texts(), QStringList{"Could not Update the record!" + kDiscard});
  other.cancel();
  EXPECT_EQ(stored(0).size(), 3u);
}

struct LetterMove {
  QString from;  // empty: a new record
  QString to;
  int a, b;                 // counts afterwards
  bool viaListing = false;  // stored through the listing's cursor
};

class LetterCounts : public RecordSessionTest, public ::testing::WithParamInterface<LetterMove> {};

TEST_P(LetterCounts, FollowTheStoredTitle) {
  const LetterMove& c = GetParam();
  open({{"Apple"}, {"Avocado"}, {"Banana"}});
  ASSERT_EQ(letterCount('A'), 2);
  ASSERT_EQ(letterCount('B'), 1);
  ASSERT_TRUE(setLetterRange(tables_.records, 'A'));
  RecordSession session(tables_);
  PageValues v = session.loadAt(c.from.isEmpty() ? session.count() : 0).value();
  if (!c.from.isEmpty()) {
    EXPECT_EQ(v.text[kTitle], c.from);
  }
  EXPECT_EQ(session.letter(), c.from.isEmpty() ? 0 : 'A');
  v.text[kTitle] = c.to;
  if (c.viaListing)
    EXPECT_EQ(session.store(v, tables_.records), RecordSession::Stored::Yes);
  else
    EXPECT_TRUE(session.leave(v, designedLabels()));
  EXPECT_EQ(session.letter(), c.to[0].toLatin1());
  EXPECT_EQ(letterCount('A'), c.a);
  EXPECT_EQ(letterCount('B'), c.b);
}

INSTANTIATE_TEST_SUITE_P(Moves, LetterCounts,
                         ::testing::Values(LetterMove{"Apple", "Blueberry", 1, 2},
                                           LetterMove{"Apple", "Apricot", 2, 1},
                                           LetterMove{"", "Banana split", 2, 2},
                                           LetterMove{"", "Almond", 3, 1},
                                           LetterMove{"Apple", "Blueberry", 1, 2, true},
                                           LetterMove{"", "Banana split", 2, 2, true}));

// Two neighbours as the record pages hold them: the right one on the
// listing's cursor, the left one on its own, stored through the listing.
TEST_F(RecordSessionTest, PairStoresTheLeftRecordThroughTheListing) {
  open({{"Alpha", 0, "0", "Author 1"}, {"Beta", 0, "0", "Author 2"}});
  RecordSession left(tables_);
  RecordSession right(tables_, tables_.records);
  PageValues l = left.loadAt(0).value();
  PageValues r = right.loadAt(1).value();
  dbase::Table other;
  other.open(dataFile("data.dbf"));
  other.first();
  EXPECT_THROW(other.edit(), dbase::LockError);  // the own cursor holds the left record
  l.text[kAuthor] = "Left";
  r.text[kAuthor] = "Right";
  EXPECT_EQ(right.store(r), RecordSession::Stored::Yes);
  EXPECT_EQ(left.store(l, tables_.records), RecordSession::Stored::Yes);
  EXPECT_EQ(stored(F(kAuthor)), (Strings{"Left", "Right"}));
  EXPECT_EQ(stored(0), (Strings{"1", "2"}));
  other.first();
  EXPECT_NO_THROW(other.edit());  // its lock went with the store
  other.cancel();
  // Storing again after the listing moved finds each record again.
  l.text[kAuthor] = "Left again";
  r.text[kAuthor] = "Right again";
  EXPECT_EQ(right.store(r), RecordSession::Stored::Yes);
  EXPECT_EQ(left.store(l, tables_.records), RecordSession::Stored::Yes);
  EXPECT_EQ(stored(F(kAuthor)), (Strings{"Left again", "Right again"}));
  EXPECT_TRUE(prompter_.shown.empty());
}

// A cursor that could not be opened is not tried again on every load.
TEST_F(RecordSessionTest, ClosedCursorWithoutOpenOnLoadShowsTheRecordInUse) {
  open({{"Alpha"}});
  RecordSession session(tables_);
  session.setOpenOnLoad(false);
  const PageValues v = session.loadAt(0).value();
  EXPECT_TRUE(session.inUse());
  EXPECT_EQ(v.text[kTitle], "Alpha");
  EXPECT_FALSE(session.cursor().active());
  ASSERT_TRUE(session.openCursor());
  ASSERT_TRUE(session.loadAt(0));
  EXPECT_FALSE(session.inUse());
  EXPECT_TRUE(prompter_.shown.empty());
}

TEST_F(RecordSessionTest, RecordLockedByAnotherCursorIsInUseAndNeverStored) {
  open({{"Alpha", 0, "0", "Author 1"}, {"Beta", 0, "0", "Author 2"}});
  dbase::Table other;
  lockFirst(other);
  RecordSession session(tables_);
  PageValues v = session.loadAt(0).value();
  EXPECT_TRUE(session.inUse());
  EXPECT_EQ(v.text[kTitle], "Alpha");  // shown all the same
  v.text[kAuthor] = "Changed";
  EXPECT_TRUE(session.leave(v, designedLabels()));
  EXPECT_TRUE(prompter_.shown.empty());
  // Its neighbour is free.
  RecordSession right(tables_, tables_.records);
  ASSERT_TRUE(right.loadAt(1));
  EXPECT_FALSE(right.inUse());
  other.cancel();
  EXPECT_EQ(stored(F(kAuthor))[0], "Author 1");
  ASSERT_TRUE(session.loadAt(0));
  EXPECT_FALSE(session.inUse());
}

TEST_F(RecordSessionTest, CopyPasteAndUndo) {
  open({{"Alpha", 0, "0", "Author 1"}, {"Beta", 0, "0", "Author 2"}});
  RecordSession session(tables_);
  EXPECT_FALSE(session.copyToBuffer(PageValues{}));
  EXPECT_EQ(prompter_.texts(), QStringList{"Empty Record - Not Copied!"});
  EXPECT_EQ(prompter_.shown[0].kind, MsgKind::Warning);
  EXPECT_FALSE(appSettings().copyBufferFull);
  EXPECT_FALSE(session.pasteFromBuffer());
  EXPECT_TRUE(session.copyToBuffer(session.loadAt(0).value()));
  EXPECT_TRUE(appSettings().copyBufferFull);
  ASSERT_TRUE(session.loadAt(1));
  const PageValues pasted = session.pasteFromBuffer().value();
  EXPECT_EQ(pasted.text[kTitle], "Alpha");
  EXPECT_EQ(pasted.text[kAuthor], "Author 1");
  EXPECT_EQ(stored(F(kTitle))[1], "Beta");  // nothing stored yet
  const PageValues undone = session.reread().value();
  EXPECT_EQ(undone.text[kTitle], "Beta");
  EXPECT_EQ(undone.text[kAuthor], "Author 2");
  // Undo through the shared cursor reads its own record, also after the other
  // page of a pair was stored through that cursor.
  RecordSession right(tables_, tables_.records);
  ASSERT_TRUE(right.loadAt(0));
  right.release();
  EXPECT_EQ(session.store(undone, tables_.records), RecordSession::Stored::Yes);
  EXPECT_EQ(right.reread().value().text[kTitle], "Alpha");
  // Pasted values are stored on leaving; the record keeps its number.
  EXPECT_TRUE(session.leave(pasted, designedLabels()));
  EXPECT_EQ(stored(F(kTitle)), (Strings{"Alpha", "Alpha"}));
  EXPECT_EQ(stored(0), (Strings{"1", "2"}));
  // Undo of a new record empties the page.
  ASSERT_TRUE(session.loadAt(session.count()));
  EXPECT_TRUE(pageIsEmpty(session.reread().value()));
}

TEST_F(RecordSessionTest, CopyOfValuesTheFieldsCannotHoldAsksFirst) {
  open({{"Alpha", 0, "0", "Author 1"}});
  RecordSession session(tables_);
  PageValues v = session.loadAt(0).value();
  v.text[kRating] = "M\u00FCller & S\u00F6hne";
  EXPECT_FALSE(session.copyToBuffer(v));
  EXPECT_EQ(prompter_.texts(),
            QStringList{"Rating: the text is 14 characters long, the field holds 10.\rDo you "
                        "want to copy the record anyway?\r(If you answer Yes these values are "
                        "copied as the table can hold them.)"});
  EXPECT_FALSE(appSettings().copyBufferFull);
  prompter_.answers.push_back(MsgResult::Yes);
  EXPECT_TRUE(session.copyToBuffer(v));
  EXPECT_EQ(session.pasteFromBuffer().value().text[kRating], "M\u00FCller & S");
}

TEST_F(RecordSessionTest, CopyBufferLinesShowTheCopiedFields) {
  open({{"Alpha", 0, "0", "Author 1"}});
  RecordSession session(tables_);
  EXPECT_TRUE(session.copyBufferLines().empty());  // nothing copied yet
  ASSERT_TRUE(session.copyToBuffer(session.loadAt(0).value()));
  const std::vector<QString> lines = session.copyBufferLines();
  ASSERT_EQ(lines.size(), size_t(kPageFieldCount));
  EXPECT_EQ(lines[kTitle], "Alpha");
  EXPECT_EQ(lines[kAuthor], "Author 1");
  EXPECT_TRUE(prompter_.shown.empty());
}

TEST_F(RecordSessionTest, CopyOfAStoredRecordAtAPosition) {
  open({{"Alpha"}, {"Beta"}});
  RecordSession session(tables_);
  EXPECT_FALSE(session.copyRecordAt(2));
  EXPECT_EQ(prompter_.texts(), QStringList{"Empty Record - Not Copied!"});
  EXPECT_TRUE(session.copyRecordAt(1));
  EXPECT_EQ(session.pasteFromBuffer().value().text[kTitle], "Beta");
}

struct PasteMove {
  const char* name;
  bool tabs;
  int32_t pasteAt;  // -1: a new record past the end
  QString pasted;
  int32_t expected;  // the current record's position afterwards
};

class PositionAfterPaste : public RecordSessionTest,
                           public ::testing::WithParamInterface<PasteMove> {};

TEST_P(PositionAfterPaste, FollowsTheCurrentRecord) {
  const PasteMove& c = GetParam();
  if (!c.tabs) appSettings().letterTabs = 1;
  open({{"Da"}, {"Dc"}, {"Fa"}});
  if (c.tabs) {
    ASSERT_TRUE(setLetterRange(tables_.records, 'D'));
  }
  RecordSession current(tables_);
  ASSERT_EQ(current.loadAt(1).value().text[kTitle], "Dc");
  // The copy buffer holds the pasted title.
  PageValues v;
  v.text[kTitle] = c.pasted;
  RecordSession other(tables_, tables_.records);
  ASSERT_TRUE(other.copyToBuffer(v));
  const int32_t at = c.pasteAt < 0 ? other.count() : c.pasteAt;
  EXPECT_EQ(other.pasteInto(at), RecordSession::Pasted::Yes);
  EXPECT_EQ(current.positionAfterPaste(1, c.tabs, 'D'), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Pastes, PositionAfterPaste,
                         ::testing::Values(PasteMove{"NewBefore", false, -1, "A", 2},
                                           PasteMove{"NewAfter", false, -1, "Z", 1},
                                           PasteMove{"OverTheFirstMovingItLast", false, 0, "Z", 0},
                                           PasteMove{"LetterNewBefore", true, -1, "Db", 2},
                                           PasteMove{"LetterOverTheFirst", true, 0, "Dz", 0}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST_F(RecordSessionTest, PictureTravelsByteForByteThroughThePageAndTheCopyBuffer) {
  open({{"Alpha"}, {"Beta"}});
  // Any bytes: end-of-file marks, zeros, a header no reader knows.
  std::string picture("BM\x1A\x00\xFF", 5);
  for (int i = 0; picture.size() < 70000; ++i) picture += static_cast<char>(i * 13);
  editFirstRecord([&](dbase::Table& t) { t.writeBlob(F(kPicture), picture); });
  auto storedPicture = [this](uint32_t recNo) {
    dbase::Table t;
    t.open(dataFile("data.dbf"), dbase::OpenMode::Shared, true);
    t.goToRecord(recNo);
    return t.readBlob(F(kPicture));
  };
  RecordSession session(tables_);
  PageValues v = session.loadAt(0).value();
  ASSERT_EQ(v.picture.toStdString(), picture);
  EXPECT_FALSE(session.changed(v));
  ASSERT_TRUE(session.copyToBuffer(v));
  ASSERT_TRUE(session.loadAt(1));
  const PageValues pasted = session.pasteFromBuffer().value();
  EXPECT_EQ(pasted.picture.toStdString(), picture);
  EXPECT_TRUE(session.leave(pasted, designedLabels()));
  EXPECT_EQ(storedPicture(2), picture);
  EXPECT_EQ(storedPicture(1), picture);
  // A cleared picture empties the field.
  v = session.loadAt(1).value();
  v.picture.clear();
  EXPECT_EQ(session.store(v), RecordSession::Stored::Yes);
  EXPECT_EQ(storedPicture(2), "");
  EXPECT_TRUE(prompter_.shown.empty()) << prompter_.texts().join("|").toStdString();
}

TEST_F(RecordSessionTest, PasteIntoAnotherRecordIsNumberedAndCounted) {
  open({{"Alpha"}}, 7);
  RecordSession session(tables_, tables_.records);
  PageValues v;
  v.text[kTitle] = "Banana";
  ASSERT_TRUE(session.copyToBuffer(v));
  EXPECT_EQ(session.pasteInto(1), RecordSession::Pasted::Yes);
  EXPECT_EQ(stored(0), (Strings{"1", "8"}));
  EXPECT_EQ(letterCount('A'), 1);
  EXPECT_EQ(letterCount('B'), 1);  // counted under its own letter
  // Also into an empty listing, where the cursor stands on no record.
  ASSERT_TRUE(setLetterRange(tables_.records, 'C'));
  v.text[kTitle] = "Cherry";
  ASSERT_TRUE(session.copyToBuffer(v));
  EXPECT_EQ(session.pasteInto(0), RecordSession::Pasted::Yes);
  EXPECT_EQ(letterCount('A'), 1);
  EXPECT_EQ(letterCount('C'), 1);
}

struct Deletion {
  const char* name;
  std::vector<Book> books;
  int32_t position;
  QString next;  // the title then at the position; empty: a new record
};

class DeleteTest : public RecordSessionTest, public ::testing::WithParamInterface<Deletion> {};

TEST_P(DeleteTest, ThePositionShowsTheFollowingRecordOrANewOne) {
  const Deletion& c = GetParam();
  open(c.books);
  RecordSession session(tables_);
  ASSERT_TRUE(session.loadAt(c.position));
  const int before = letterCount('A') + letterCount('B') + letterCount('C');
  EXPECT_TRUE(session.deleteRecord());
  EXPECT_EQ(letterCount('A') + letterCount('B') + letterCount('C'), before - 1);
  const PageValues v = session.loadAt(c.position).value();
  EXPECT_EQ(session.isNew(), c.next.isEmpty());
  EXPECT_EQ(v.text[kTitle], c.next);
  EXPECT_EQ(stored(0).size(), c.books.size() - 1);
}

INSTANTIATE_TEST_SUITE_P(Deletes, DeleteTest,
                         ::testing::Values(Deletion{"Middle", {{"A"}, {"B"}, {"C"}}, 1, "C"},
                                           Deletion{"Last", {{"A"}, {"B"}, {"C"}}, 2, ""},
                                           Deletion{"Only", {{"A"}}, 0, ""}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST_F(RecordSessionTest, DeleteOfALockedRecordIsRefused) {
  open({{"Alpha"}, {"Beta"}});
  dbase::Table other;
  lockFirst(other);
  RecordSession session(tables_, tables_.records);
  EXPECT_TRUE(session.recordAt(0));
  EXPECT_FALSE(session.recordAt(2));
  EXPECT_FALSE(session.deleteAt(0));
  EXPECT_EQ(prompter_.texts(), QStringList{"Record in use - not Deleted!"});
  EXPECT_EQ(prompter_.shown[0].kind, MsgKind::Error);
  EXPECT_TRUE(session.deleteAt(1));
  other.cancel();
  EXPECT_EQ(stored(F(kTitle)), Strings{"Alpha"});
}

TEST_F(RecordSessionTest, PositionAfterADeleteElsewhere) {
  struct Case {
    int32_t position, deleted;
    bool sameList, isNew;
    int32_t expected;
  };
  for (const Case& c :
       {Case{3, 1, true, false, 2}, Case{3, 4, true, false, 3}, Case{3, 1, false, false, 3},
        Case{3, 5, false, true, 2}, Case{0, 0, true, true, 0}})
    EXPECT_EQ(RecordSession::positionAfterDelete(c.position, c.deleted, c.sameList, c.isNew),
              c.expected)
        << c.position << " " << c.deleted;
}

TEST_F(RecordSessionTest, SavingOnTheWayFindsTheRequestedRecordAgain) {
  open({{"Bravo"}, {"Delta"}, {"Foxtrot"}});
  RecordSession session(tables_);
  PageValues v = session.loadAt(0).value();
  v.text[kTitle] = "Echo";                                 // now stands after Delta
  EXPECT_EQ(session.leaveFor(1, v, designedLabels()), 0);  // Delta moved up
  PageValues fresh = session.loadAt(session.count()).value();
  fresh.text[kTitle] = "Alpha";
  EXPECT_EQ(session.leaveFor(3, fresh, designedLabels()), 4);  // past the end moves on
}

TEST_F(RecordSessionTest, UnreadableMemoIsReportedAndTheRestLoads) {
  open({{"Alpha", 0, "0", "Author 1"}});
  tables_.records.close();
  editFirstRecord([](dbase::Table& t) { t.writeBlob(F(kNotes), "a note"); });
  patchFirstRecord(F(kNotes), "    999999");  // the memo far beyond the memo file
  tables_.records.open();
  RecordSession session(tables_);
  const PageValues v = session.loadAt(0).value();
  ASSERT_EQ(prompter_.texts(),
            QStringList{"Corrupt Memo Field!!! You should delete record: \rAuthor 1"});
  EXPECT_EQ(prompter_.shown[0].buttons, MsgButtons::OkHelp);
  EXPECT_EQ(prompter_.shown[0].helpTopic, 62);
  EXPECT_TRUE(v.text[kNotes].isEmpty());
  EXPECT_EQ(v.text[kTitle], "Alpha");
  prompter_.shown.clear();
  EXPECT_EQ(session.reread().value().text[kTitle], "Alpha");
  EXPECT_EQ(prompter_.texts().size(), 1);
}

}  // namespace
}  // namespace storetest
