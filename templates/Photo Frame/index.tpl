<!DOCTYPE html>
<html>
<head>
<meta http-equiv="X-UA-Compatible" content="IE=edge">
<meta charset="utf-8">
<title>Photo Frame</title>
<!--
  A white print frame with a soft shadow and a blank caption strip, centred in the work
  area on the frame colour. The first element of the body is the whole screen, so it is
  what becomes the wallpaper.
-->
<style>
  html, body { margin: 0; padding: 0; overflow: hidden; background: {FrameColor}; }
  #screen {
    position: relative; overflow: hidden;
    width: {ScreenWidth}px; height: {ScreenHeight}px;
    background: {FrameColor};
  }
  #workspace {
    position: absolute;
    left: {WorkspaceLeft}px; top: {WorkspaceTop}px;
    width: {WorkspaceWidth}px; height: {WorkspaceHeight}px;
  }
  /* Centred by equal automatic margins; the padding below the photo is the caption strip. */
  #frame {
    position: absolute; left: 0; top: 0; right: 0; bottom: 0; margin: auto;
    width: {ImageWidth}px; height: {ImageHeight}px;
    padding: 18px 18px 64px 18px;
    background: #fdfdfb;
    border: 1px solid #d9d8d2;
    box-shadow: 0 14px 36px rgba(0, 0, 0, 0.45), 0 3px 8px rgba(0, 0, 0, 0.25);
  }
  #photo {
    display: block; border: 0;
    width: {ImageWidth}px; height: {ImageHeight}px;
  }
  #caption {
    position: absolute; left: 18px; right: 18px; bottom: 0; height: 64px;
  }
  #caption div {
    width: 36%; margin: 34px auto 0 auto;
    border-top: 1px solid #cfcdc4;
  }
</style>
</head>
<body><div id="screen"><div id="workspace"><div id="frame"><img id="photo" src="{ImageUri}" alt=""><div id="caption"><div></div></div></div></div></div></body>
</html>
