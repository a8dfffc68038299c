// SPDX-License-Identifier: GPL-3.0-or-later
// The "?" menu: the help page of the page shown, the help's contents, and the about box.
#include "UiTestSupport.h"
#include "app/HelpFiles.h"
#include "app/LibraryVersions.h"
#include "ui/AboutDlg.h"

#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QStackedWidget>
#include <QTableWidget>
#include <curl/curl.h>
#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <map>
#include <set>
#include <sqlite3.h>

namespace {

using ::testing::HasSubstr;

class HelpMenu : public WindowTestBase {
protected:
  std::vector<QUrl> Opened;
  TMainWindow& StartRecording() {
    TMainWindow& window = Start();
    window.OpenDocument = [this](const QUrl& url) { Opened.push_back(url); };
    return window;
  }
};

std::string ReadText(const std::string& path) {
  std::ifstream file(path);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

TEST_F(HelpMenu, MenuHoldsHelpContentsAndInfo) {
  TMainWindow& window = StartRecording();
  EXPECT_EQ(window.mnuHelp->title(), QStringLiteral("?"));
  QStringList captions;
  for (QAction* action : window.mnuHelp->actions()) {
    if (!action->isSeparator())
      captions << action->text();
  }
  EXPECT_EQ(captions, QStringList({QStringLiteral("Hilfe "), QStringLiteral("Inhalt"),
                                   QStringLiteral("Online-Update..."), QStringLiteral("Info...")}));
}

// Every page opens a file of its own that exists and is headed by the page's caption.
TEST_F(HelpMenu, HelpOpensTheSectionOfEachPageShown) {
  TMainWindow& window = StartRecording();
  std::set<std::string> files;
  for (int page = 0; page < TMainWindow::PageCount; ++page) {
    window.RBBar->setCurrentRow(page);
    ASSERT_EQ(window.Notebook->currentIndex(), page);
    window.ContextHelp->trigger();
    ASSERT_EQ(Opened.size(), static_cast<std::size_t>(page + 1));
    const QUrl& url = Opened.back();
    ASSERT_TRUE(url.isLocalFile()) << url.toString().toStdString();
    const std::string path = url.toLocalFile().toStdString();
    files.insert(path);
    const std::string html = ReadText(path);
    EXPECT_THAT(html, HasSubstr("<h1>" +
                                std::string(TMainWindow::PageCaptions[static_cast<size_t>(page)]) +
                                "</h1>"))
        << path;
    EXPECT_THAT(html, HasSubstr("lang=\"de\""));
  }
  EXPECT_EQ(files.size(), static_cast<std::size_t>(TMainWindow::PageCount));
}

TEST_F(HelpMenu, ContentsLinksEveryPageSection) {
  TMainWindow& window = StartRecording();
  window.Hilfe1->trigger();
  ASSERT_EQ(Opened.size(), 1U);
  const std::filesystem::path contents = Opened[0].toLocalFile().toStdString();
  EXPECT_EQ(contents.filename(), "index.html");
  const std::string html = ReadText(contents.string());
  for (int page = 0; page < HelpFiles::PageCount; ++page) {
    const std::string file(HelpFiles::TopicFile(HelpFiles::HelpContext(page)));
    EXPECT_THAT(html, HasSubstr("href=\"" + file + "\"")) << file;
    EXPECT_TRUE(std::filesystem::is_regular_file(contents.parent_path() / file)) << file;
  }
}

TEST(HelpFilesTopics, ContextsRunDownFrom89AndOthersGiveTheContents) {
  EXPECT_EQ(HelpFiles::HelpContext(0), 89);
  EXPECT_EQ(HelpFiles::HelpContext(9), 80);
  EXPECT_EQ(HelpFiles::TopicFile(89), "uebertragene-bytes.html");
  EXPECT_EQ(HelpFiles::TopicFile(80), "downloadmanager.html");
  EXPECT_EQ(HelpFiles::TopicFile(90), HelpFiles::ContentsFile);
  EXPECT_EQ(HelpFiles::TopicFile(79), HelpFiles::ContentsFile);
}

TEST(HelpFilesFolder, InstalledHelpBesideTheProgramWins) {
  TTempFolder tree;
  std::filesystem::create_directories(tree / "bin");
  const std::string program = (tree / "bin").string() + "/";
  EXPECT_NE(HelpFiles::HelpFolder(program), program + "../share/doc/quorvane/help/")
      << "no installed help: the build's own";
  std::filesystem::create_directories(tree / "share/doc/quorvane/help");
  std::ofstream(tree / "share/doc/quorvane/help/index.html") << "<html></html>";
  EXPECT_EQ(HelpFiles::HelpFolder(program), program + "../share/doc/quorvane/help/");
}

TEST_F(HelpMenu, InfoShowsNameVersionHomePageLicenceAndLibraries) {
  TMainWindow& window = StartRecording();
  bool shown = false;
  OnNextModal([&](QWidget* modal) {
    auto* about = qobject_cast<TAboutDlg*>(modal);
    ASSERT_NE(about, nullptr);
    shown = true;
    EXPECT_EQ(about->ProductLabel->text(), QStringLiteral("Quorvane 1.20"));
    EXPECT_THAT(about->HomePageLabel->text().toStdString(),
                HasSubstr("http://www.quorvane.example/"));
    EXPECT_THAT(about->LicenceLabel->text().toStdString(), HasSubstr("GPL-3.0-or-later"));
    std::map<std::string, std::string> libraries;
    for (int row = 0; row < about->LibraryList->rowCount(); ++row) {
      libraries[about->LibraryList->item(row, 0)->text().toStdString()] =
          about->LibraryList->item(row, 1)->text().toStdString();
    }
    EXPECT_EQ(libraries["Qt"], qVersion());
    EXPECT_EQ(libraries["libcurl"], curl_version_info(CURLVERSION_NOW)->version);
    EXPECT_EQ(libraries["SQLite"], sqlite3_libversion());
    EXPECT_THAT(libraries["OpenSSL"], ::testing::MatchesRegex("[0-9]+\\.[0-9]+\\.[0-9]+.*"));
    about->OKBtn->click();
  });
  window.Action3->trigger();
  EXPECT_TRUE(shown);
}

TEST_F(HelpMenu, OnlineUpdateRunsFromBothMenusAndGivesTheWindowBack) {
  TMainWindow& window = StartRecording();
  EXPECT_EQ(window.mnuOnlineUpdate->text(), QStringLiteral("Online-Update..."));
  // No update program beside this test's program folder: the error box, nothing else.
  window.mnuOnlineUpdate->trigger();
  ASSERT_EQ(UserInterface.Messages.size(), 1U);
  EXPECT_THAT(UserInterface.Messages[0].Text, HasSubstr("Fehler beim Ausführen: "));
  EXPECT_TRUE(window.isEnabled());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

} // namespace
