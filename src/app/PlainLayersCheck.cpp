// Links every object of the plain layers with QtCore alone; see src/CMakeLists.txt.
int main() {
    return 0;
}
