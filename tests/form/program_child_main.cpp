// Main_Form in a process of its own, for the test that must see the program end:
//   form_program_child ROOT STORE [full]
// Exit at the first yield of a run over ROOT/tree, listing into ROOT/listing.txt, with the
// settings in STORE; with "full", the disk takes none of the listing's lines.
// Every prompt shown prints a line, with the last message box's title and text.
// Ending at once exits with 0; coming back where the program should have ended exits
// with 3.
#include <cerrno>
#include <cstdio>
#include <string>

#include "main_form.h"
#include "native_file_system.h"
#include "output_file_table.h"
#include "registry_sqlite_store.h"
#include "scripted_dialogs.h"
#include "scripted_view.h"
#include "support/failing_output_system.h"

int main(int argc, char* argv[]) {
    if (argc < 3 || argc > 4) {
        return 2;
    }
    const std::string root = argv[1];
    static tolvane::testing::FailingOutputSystem fullDisk(
        {{tolvane::testing::FailingOutputSystem::kWrite, 1, ENOSPC}});
    if (argc == 4 && std::string(argv[3]) == "full") {
        tolvane::OutputFileTable::instance().replaceSystem(fullDisk);
    }
    tolvane::test::ScriptedView view;
    tolvane::test::ScriptedDialogs dialogs;
    dialogs.whileShown = [&dialogs] {
        const auto& shown = dialogs.messages;
        const std::string last = shown.empty() ? "" : shown.back().title + ": " + shown.back().text;
        std::puts(("prompt " + last).c_str());
    };
    tolvane::NativeFileSystem listFileSystem;
    tolvane::NativeFileSystem runFileSystem;
    tolvane::SqliteRegistryStore store(argv[2]);
    tolvane::Main_Form form(tolvane::Main_Form::Services{
        view, dialogs, {{"/", "/ [test]"}}, listFileSystem, runFileSystem, store});
    form.load();
    form.Result_Dir.setPath(root + "/tree");
    form.SaveFilename = root + "/listing.txt";
    view.atYield = {[&form] { form.click(tolvane::Control::Function_Exit); }};
    form.click(tolvane::Control::Make_Button);
    return 3;
}
