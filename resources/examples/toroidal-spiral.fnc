AEdit=0
BEdit=2*pi
xt=(4+sin(20*t))*cos(t)
yt=(4+sin(20*t))*sin(t)
zt=cos(20*t)
Precission=3000
