// Main_Form in a process of its own, for the test that must see the program end:
//   form_program_child ROOT STORE   Exit at the first yield of a run over ROOT/tree, listing
//                                   into ROOT/listing.txt, with the settings in STORE.
// Every prompt shown prints a line. Ending at once exits with 0; coming back where the
// program should have ended exits with 3.
#include <cstdio>
#include <string>

#include "main_form.h"
#include "native_file_system.h"
#include "registry_sqlite_store.h"
#include "scripted_dialogs.h"
#include "scripted_view.h"

int main(int argc, char* argv[]) {
    if (argc != 3) {
        return 2;
    }
    const std::string root = argv[1];
    tolvane::test::ScriptedView view;
    tolvane::test::ScriptedDialogs dialogs;
    dialogs.whileShown = [] { std::puts("prompt"); };
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
