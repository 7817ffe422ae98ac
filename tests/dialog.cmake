# The configuration dialog, driven inside its modal loop in Wine.
songbeam_wine_test(dialog_test dialog_test.cpp)
# Custom texts in any language under the Western and a double-byte ANSI
# code page (Japanese, 932).
set_property(TEST dialog_test APPEND PROPERTY ENVIRONMENT SONGBEAM_ANSI_CODE_PAGE=1252)
songbeam_wine_run(dialog_932_test dialog_test ja_JP.UTF-8 --gtest_filter=*Unicode*)
set_property(TEST dialog_932_test APPEND PROPERTY ENVIRONMENT SONGBEAM_ANSI_CODE_PAGE=932)
