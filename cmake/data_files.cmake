# The 25 files the game reads from its working directory.
set(TT_GAME_DATA_FILES
  table.3ds sphere.3ds cup.3ds pizza.3ds body.3ds antenna.3ds leg1.3ds leg2.3ds spot.3ds
  linen.bmp earth.bmp clay.bmp pizza.bmp b_skin.bmp l_skin.bmp spot.bmp font.bmp lose.bmp win.bmp
  squash.wav beep.wav bump.wav squeakx.wav squeaky.wav laugh.wav)
