AEdit=-pi/2
BEdit=pi/2
xt=cos(20*t)*cos(t)
yt=sin(t)
zt=sin(20*t)*cos(t)
Precission=3000
