AEdit=-2*pi
BEdit=2*pi
xt=1+cos(t)
yt=sin(t)
zt=2*sin(t/2)
Precission=600
