<!DOCTYPE html>
<html>
<head>
<meta http-equiv="X-UA-Compatible" content="IE=edge">
<meta charset="utf-8">
<title>Gallery</title>
<!--
  A dark wooden gallery frame with a pale mat around the picture, hung in the middle of
  the work area on the frame colour. The first element of the body is the whole screen, so
  it is what becomes the wallpaper.
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
  /* The frame's border is the moulding, its padding the mat; equal automatic margins centre it. */
  #frame {
    position: absolute; left: 0; top: 0; right: 0; bottom: 0; margin: auto;
    width: {ImageWidth}px; height: {ImageHeight}px;
    padding: 28px;
    background: #f2efe6;
    border: 12px solid #2a211b;
    border-top-color: #3a2e25; border-left-color: #33281f;
    box-shadow: 0 20px 48px rgba(0, 0, 0, 0.6), 0 4px 10px rgba(0, 0, 0, 0.4);
  }
  #photo {
    display: block;
    width: {ImageWidth}px; height: {ImageHeight}px;
    border: 0;
    box-shadow: 0 0 0 1px #b9b2a2, 0 0 6px rgba(0, 0, 0, 0.35);
  }
</style>
</head>
<body><div id="screen"><div id="workspace"><div id="frame"><img id="photo" src="{ImageUri}" alt=""></div></div></div></body>
</html>
