int main() { return 0; }  // Placeholder: filled in by the image store work.
