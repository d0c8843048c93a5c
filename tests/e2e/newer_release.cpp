// Stands in for a Kestrane.exe from a later release: the installer must not replace it.
int main() { return 0; }
