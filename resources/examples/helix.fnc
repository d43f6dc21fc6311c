AEdit=0
BEdit=20*pi
xt=cos(t)
yt=sin(t)
zt=t/10
Precission=2000
