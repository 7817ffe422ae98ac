# The configuration dialog, driven inside its modal loop in Wine.
songbeam_wine_test(dialog_test dialog_test.cpp)
