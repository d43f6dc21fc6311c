// The association routine against the in-memory registry.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "evaluator/Faults.h"
#include "files/Association.h"
#include "files/RegistryMemory.h"

namespace {

const std::string Program = "C:\\Program Files\\Helixor\\Helixor.exe";

struct TAsker {
  int Asked = 0;
  bool AnswerNo = false;
  TAnsweredNo Callback() {
    return [this] {
      ++Asked;
      return AnswerNo;
    };
  }
};

void Offer(TMemoryRegistry& Registry, TAsker& Asker) {
  OfferFncAssociation(Registry, Asker.Callback(), Program);
}

std::vector<std::string> WriteSteps(const std::string& Key, const std::string& Data) {
  return {"OpenKey " + Key + " 0xf003f", "Write " + Key + "=" + Data, "CloseKey"};
}

}  // namespace

TEST(RegisterFileType, AnyExistingExtensionKeySuppressesQuestionWritesAndNotification) {
  const std::vector<TMemoryRegistry::TKeys> Registries = {
      {{".fnc", std::nullopt}},
      {{".FNC", "SomeOtherProgram.Document"}},
      {{".fnc", "Vector Function"}, {".fnc\\Shell", std::nullopt}},
  };
  for (const auto& Keys : Registries) {
    TMemoryRegistry Registry;
    Registry.Keys = Keys;
    TAsker Asker;
    Offer(Registry, Asker);
    EXPECT_EQ(Asker.Asked, 0);
    EXPECT_EQ(Registry.Keys, Keys);
    EXPECT_EQ(Registry.Log,
              (std::vector<std::string>{"OpenRoot", "KeyExists .fnc 0x20009", "CloseRoot"}));
  }
}

TEST(RegisterFileType, NoWritesNothingAndTheQuestionComesAgain) {
  TMemoryRegistry Registry;
  TAsker Asker;
  Asker.AnswerNo = true;
  Offer(Registry, Asker);
  Offer(Registry, Asker);
  EXPECT_EQ(Asker.Asked, 2);
  EXPECT_TRUE(Registry.Keys.empty());
  EXPECT_EQ(Registry.NotifyCount, 0);
  EXPECT_FALSE(Registry.RootOpen());
}

TEST(RegisterFileType, YesWritesTheFiveValuesInOrderThenNotifiesOnce) {
  TMemoryRegistry Registry;
  TAsker Asker;
  Offer(Registry, Asker);
  EXPECT_EQ(Asker.Asked, 1);

  std::vector<std::string> Expected = {"OpenRoot", "KeyExists .fnc 0x20009"};
  for (const auto& [Key, Data] : std::vector<std::pair<std::string, std::string>>{
           {".fnc", ".fnc"},
           {".fnc", "Vector Function"},
           {".fnc\\DefaultIcon", Program + ",0"},
           {".fnc\\Shell\\Open", "&Open"},
           {".fnc\\Shell\\Open\\Command", "\"" + Program + "\" \"%1\""}}) {
    const auto Steps = WriteSteps(Key, Data);
    Expected.insert(Expected.end(), Steps.begin(), Steps.end());
  }
  Expected.push_back("NotifyShell");
  Expected.push_back("CloseRoot");
  EXPECT_EQ(Registry.Log, Expected);
  EXPECT_EQ(Registry.NotifyCount, 1);

  const TMemoryRegistry::TKeys Final = {
      {".fnc", "Vector Function"},
      {".fnc\\DefaultIcon", Program + ",0"},
      {".fnc\\Shell", std::nullopt},
      {".fnc\\Shell\\Open", "&Open"},
      {".fnc\\Shell\\Open\\Command", "\"" + Program + "\" \"%1\""}};
  EXPECT_EQ(Registry.Keys, Final);

  Offer(Registry, Asker);  // the next start
  EXPECT_EQ(Asker.Asked, 1);
  EXPECT_EQ(Registry.NotifyCount, 1);
}

TEST(RegisterFileType, SeparateFileTypeKeyAndIconIndexWithoutNotification) {
  TMemoryRegistry Registry;
  RegisterFileType(Registry, [] { return false; }, ".xyz", "Helixor.Function", "Some Type",
                   "/opt/helixor/bin/helixor", 3, false);
  EXPECT_EQ(Registry.Value(".xyz"), "Helixor.Function");
  EXPECT_EQ(Registry.Value("Helixor.Function"), "Some Type");
  EXPECT_EQ(Registry.Value("Helixor.Function\\DefaultIcon"), "/opt/helixor/bin/helixor,3");
  EXPECT_EQ(Registry.Value("Helixor.Function\\Shell\\Open\\Command"),
            "\"/opt/helixor/bin/helixor\" \"%1\"");
  EXPECT_EQ(Registry.NotifyCount, 0);
}

TEST(RegisterFileType, AnExtensionKeyThatCannotBeOpenedForReadingCountsAsMissing) {
  TMemoryRegistry Registry;
  Registry.Keys = {{".fnc", std::nullopt}};
  Registry.RefuseOpenNumber = 1;
  TAsker Asker;
  Offer(Registry, Asker);
  EXPECT_EQ(Asker.Asked, 1);
  EXPECT_EQ(Registry.Value(".fnc"), "Vector Function");
}

// The opens are counted together: 1 is the existence test, 2 to 6 the five
// writes.
TEST(RegisterFileType, AKeyThatCannotBeCreatedFailsItsWriteAndSkipsTheRest) {
  for (int Refused = 2; Refused <= 6; ++Refused) {
    SCOPED_TRACE("refused open " + std::to_string(Refused));
    TMemoryRegistry Registry;
    Registry.RefuseOpenNumber = Refused;
    TAsker Asker;
    try {
      Offer(Registry, Asker);
      ADD_FAILURE() << "no fault";
    } catch (const RegistryFault& Fault) {
      EXPECT_STREQ(Fault.what(), "Failed to set data for ''");
      EXPECT_EQ(WithFullStop(Fault.what()), "Failed to set data for ''");
    }
    EXPECT_FALSE(Registry.RootOpen());
    EXPECT_FALSE(Registry.AnyKeyOpen());
    EXPECT_EQ(Registry.NotifyCount, 0);
    const int Written = Refused - 2;  // writes done before the refused one
    EXPECT_EQ(Registry.HasKey(".fnc"), Written > 0);
    EXPECT_EQ(Registry.HasKey(".fnc\\DefaultIcon"), Written > 2);
    EXPECT_EQ(Registry.HasKey(".fnc\\Shell\\Open\\Command"), false);
    if (Written >= 1) {
      EXPECT_EQ(Registry.Value(".fnc"), Written == 1 ? ".fnc" : "Vector Function");
    }

    // A later start asks again only when the first write failed.
    Registry.RefuseOpenNumber = 0;
    Offer(Registry, Asker);
    EXPECT_EQ(Asker.Asked, Written == 0 ? 2 : 1);
  }
}

TEST(RegisterFileType, RegistryIsClosedWhenTheQuestionThrows) {
  TMemoryRegistry Registry;
  EXPECT_THROW(OfferFncAssociation(Registry, []() -> bool { throw std::runtime_error("box"); },
                                   Program),
               std::runtime_error);
  EXPECT_FALSE(Registry.RootOpen());
  EXPECT_EQ(Registry.Log.back(), "CloseRoot");
}

// The Windows build keeps the question word for word; other builds name
// the desktop and keep the rest: the second sentence, LF then CR between.
TEST(AssociationQuestion, NamesTheSystemAndKeepsTheSecondSentenceAndTheControlCharacters) {
  EXPECT_EQ(AssociationText,
            "Windows is not configured to open .fnc files with this program.\n\r"
            "Do you want to associate it with these files?");
  EXPECT_EQ(DesktopAssociationText,
            "This desktop is not configured to open .fnc files with this program.\n\r"
            "Do you want to associate it with these files?");
#ifdef _WIN32
  EXPECT_EQ(AssociationQuestion, AssociationText);
#else
  EXPECT_EQ(AssociationQuestion, DesktopAssociationText);
#endif
  EXPECT_EQ(AssociationCaption, "Confirm");
}
