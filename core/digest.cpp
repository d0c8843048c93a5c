// Placeholder: filled in by the image store work.
