"""Tovarin wallpaper service: the HTTP service that the Kestrane client talks to."""
