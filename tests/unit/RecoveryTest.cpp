// The recovery file's format, writing and reading it, and what the main frame
// restores from it when its window is first shown.
#include "FrameFixture.h"
#include "app/MainFrameRecovery.h"
#include "capture/RecoveryFile.h"

using namespace frame_test;

namespace {

RecoveryState Sample() {
    RecoveryState s;
    s.body = L"<P>网文\r\nend\r\nbody 3 abc\r\n<B>x</B>";   // looks like the format's own lines
    s.editMode = true;
    s.editFolder = L"新闻\\国内";
    s.editName = L"标题 1";
    s.sources = {L"http://example.test/a?x=1", L"", L"file:///C:/页/"};
    return s;
}

TEST(RecoveryFormat, RoundTripsAnyTextAndRefusesEveryCutOrChange) {
    const RecoveryState state = Sample();
    const std::wstring text = EncodeRecovery(state);
    RecoveryState back;
    ASSERT_TRUE(DecodeRecovery(text, back));
    EXPECT_TRUE(back == state);
    RecoveryState empty;
    ASSERT_TRUE(DecodeRecovery(EncodeRecovery(RecoveryState()), back));
    EXPECT_TRUE(back == empty);

    // Cut anywhere, or with anything after the end, it is no recovery text.
    for (size_t n = 0; n < text.size(); ++n) EXPECT_FALSE(DecodeRecovery(text.substr(0, n), back)) << n;
    EXPECT_FALSE(DecodeRecovery(text + L"x", back));
    std::wstring longer = text;
    size_t at = longer.find(L"\r\nbody ") + 7;   // the body's length, one more
    longer[at] = wchar_t(longer[at] + 1);
    EXPECT_FALSE(DecodeRecovery(longer, back));
    std::wstring mode = text;
    mode[mode.find(L"mode 1 ") + 7] = L'2';
    EXPECT_FALSE(DecodeRecovery(mode, back));
    EXPECT_TRUE(back == empty);   // a refused text leaves the state alone
}

TEST(RecoveryFile, WritesWholeFilesReadsThemBackAndPutsDamagedOnesAside) {
    zt::TempFolder dir(L"recovery");
    const std::wstring path = dir.Path() + kRecoveryFileName;
    RecoveryState state = Sample(), read;
    EXPECT_EQ(RecoveryRead::Missing, ReadRecoveryFile(path, read));
    ASSERT_EQ(0u, WriteRecoveryFile(path, state));
    auto bytes = zt::ReadBytes(path);
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(0xFF, bytes[0]);
    EXPECT_EQ(0xFE, bytes[1]);
    EXPECT_EQ(1, zt::CountFiles(dir.Path()));   // the temporary file was put in place
    ASSERT_EQ(RecoveryRead::Loaded, ReadRecoveryFile(path, read));
    EXPECT_TRUE(read == state);

    std::string whole(bytes.begin(), bytes.end());
    for (std::string damaged : {whole.substr(0, whole.size() - 2), whole.substr(0, whole.size() - 1),
                                whole.substr(2), std::string("\xFF")}) {
        zt::WriteBytes(path, damaged);
        EXPECT_EQ(RecoveryRead::Damaged, ReadRecoveryFile(path, read)) << damaged.size();
    }
    // Aside, never over an earlier damaged file.
    EXPECT_EQ(path + L".damaged", MoveRecoveryFileAside(path));
    zt::WriteBytes(path, "second");
    EXPECT_EQ(path + L".damaged-2", MoveRecoveryFileAside(path));
    EXPECT_FALSE(zt::FileExists(path));
    auto first = zt::ReadBytes(path + L".damaged");
    EXPECT_EQ("\xFF", std::string(first.begin(), first.end()));
    EXPECT_EQ(L"", MoveRecoveryFileAside(path));   // nothing there to move
}

// The frame restores what it finds when its window is first shown.
class FrameRecoveryStart : public FrameCapture {
public:
    FrameRecoveryStart() { showAtStart = false; }
protected:
    void Keep(const RecoveryState& s) { ASSERT_EQ(0u, WriteRecoveryFile(frame->RecoveryPath(), s)); }
};

TEST_F(FrameRecoveryStart, RestoresTextAndEditModeWithItsBalloonAndWritesNoMore) {
    RecoveryState s = Sample();
    s.editFolder = L"新闻";
    zt::WriteBytes(*dir / L"新闻\\标题 1.htm", "\xFF\xFE");
    Keep(s);
    frame->ShowWindow(SW_SHOW);
    EXPECT_EQ(s.body, Body());
    EXPECT_EQ(1, doc->IsModified());
    EXPECT_TRUE(frame->m_editMode);
    EXPECT_EQ(L"新闻", frame->m_editFolder);
    EXPECT_EQ(L"标题 1", frame->m_webTextName);
    // The simple editor's notice first, then the recovery's (the one left showing).
    ExpectSimpleEditorNotice();
    auto b = Balloons();
    ASSERT_EQ(2u, b.size());
    ExpectBalloon(b[1], 1, L"提示", L"已恢复上次未保存的网文。");
    // Showing it again restores and tells nothing more; a pause without a change writes nothing.
    frame->ShowWindow(SW_HIDE);
    frame->ShowWindow(SW_SHOW);
    EXPECT_EQ(2u, Balloons().size());
    frame->WriteRecoveryNow();
    frame->m_recoveryWriter.Flush();
    EXPECT_EQ(0, frame->m_recoveryWriter.Done());
}

TEST_F(FrameRecoveryStart, EditModeStaysOffWhenItsFileIsGone) {
    Keep(Sample());   // 新闻\国内\标题 1.htm does not exist
    frame->ShowWindow(SW_SHOW);
    EXPECT_EQ(Sample().body, Body());
    EXPECT_FALSE(frame->m_editMode);
    // Typing pauses: the file is written again, now without the edit mode.
    Main()->SetBodyHtml(L"<P>changed");
    frame->WriteRecoveryNow();
    frame->m_recoveryWriter.Flush();
    RecoveryState read;
    ASSERT_EQ(RecoveryRead::Loaded, ReadRecoveryFile(frame->RecoveryPath(), read));
    EXPECT_EQ(L"<P>changed", read.body);
    EXPECT_FALSE(read.editMode);
    EXPECT_EQ(Sample().sources, read.sources);
    // A log-off ends the process without the exit command: what was typed last is kept.
    Main()->SetBodyHtml(L"<P>typed just before");
    Send(WM_ENDSESSION, TRUE);
    ASSERT_EQ(RecoveryRead::Loaded, ReadRecoveryFile(frame->RecoveryPath(), read));
    EXPECT_EQ(L"<P>typed just before", read.body);
}

}  // namespace
